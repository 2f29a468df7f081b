// SK-D106 speed dome (index 43). Pan in byte 4 (right 7F, left 80), tilt
// in byte 6 (up 80, down 7F); frame layout in SKD106Frame.h.
#include "protocols/PtFactories.h"
#include "protocols/SKD106Frame.h"

namespace {

using skd106::Row;

constexpr Row kMoves[] = {
    {PT_UP, {'M', 'A'}, {0x00, 0x00, 0x80, 0x00, 0x00}},
    {PT_UP_RIGHT, {'M', 'A'}, {0x7F, 0x00, 0x80, 0x00, 0x00}},
    {PT_RIGHT, {'M', 'A'}, {0x7F, 0x00, 0x00, 0x00, 0x00}},
    {PT_DOWN_RIGHT, {'M', 'A'}, {0x7F, 0x00, 0x7F, 0x00, 0x00}},
    {PT_DOWN, {'M', 'A'}, {0x00, 0x00, 0x7F, 0x00, 0x00}},
    {PT_DOWN_LEFT, {'M', 'A'}, {0x80, 0x00, 0x7F, 0x00, 0x00}},
    {PT_LEFT, {'M', 'A'}, {0x80, 0x00, 0x00, 0x00, 0x00}},
    {PT_UP_LEFT, {'M', 'A'}, {0x80, 0x00, 0x80, 0x00, 0x00}},
};

}  // namespace

class CPtSK_D106 : public CPtSKD106Frame {
public:
    PT_SHOW_MESSAGE("[CPtSK_D106]")
    CPtSK_D106() : CPtSKD106Frame(&pttable::Find<kMoves>, false) {}
};

CPtProtocol* NewCPtSK_D106() { return new (std::nothrow) CPtSK_D106(); }
