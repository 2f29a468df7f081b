// SK-D106 dome mounted reversed (index 44): both axes swapped against the
// SK-D106, and a captured stop holds both copies that go on the line.
#include "protocols/PtFactories.h"
#include "protocols/SKD106Frame.h"

namespace {

using skd106::Row;

constexpr Row kMoves[] = {
    {PT_UP, {'M', 'A'}, {0x00, 0x00, 0x7F, 0x00, 0x00}},
    {PT_UP_RIGHT, {'M', 'A'}, {0x80, 0x00, 0x7F, 0x00, 0x00}},
    {PT_RIGHT, {'M', 'A'}, {0x80, 0x00, 0x00, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {'M', 'A'}, {0x80, 0x00, 0x80, 0x00, 0x00}},
    {PT_DOWN, {'M', 'A'}, {0x00, 0x00, 0x80, 0x00, 0x00}},
    {PT_DOWN_LEFT, {'M', 'A'}, {0x7F, 0x00, 0x80, 0x00, 0x00}},
    {PT_LEFT, {'M', 'A'}, {0x7F, 0x00, 0x00, 0x00, 0x00}},
    {PT_UP_LEFT, {'M', 'A'}, {0x7F, 0x00, 0x7F, 0x00, 0x00}},
};

}  // namespace

class CPtSK_D106_R : public CPtSKD106Frame {
public:
    PT_SHOW_MESSAGE("[CPtSK_D106_R]")
    CPtSK_D106_R() : CPtSKD106Frame(&pttable::Find<kMoves>, true) {}
};

CPtProtocol* NewCPtSK_D106_R() { return new (std::nothrow) CPtSK_D106_R(); }
