// CNB-SMART domes (index 31). Eleven ASCII bytes, built per command:
//   "*"  two address digits  six command characters  two hex sum digits
// A movement word is "E7" then L, R, U, D in their own places ("0" when
// that way is not taken).
#include <cstring>

#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/CnbAddress.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    char word[7];
};

constexpr Row kCommands[] = {
    {PT_UP, "E700U0"},         {PT_UP_RIGHT, "E70RU0"},  {PT_RIGHT, "E70R00"},
    {PT_DOWN_RIGHT, "E70R0D"}, {PT_DOWN, "E7000D"},      {PT_DOWN_LEFT, "E7L00D"},
    {PT_LEFT, "E7L000"},       {PT_UP_LEFT, "E7L00U"},   {PT_FOCUS_NEAR, "750600"},
    {PT_FOCUS_FAR, "750500"},  {PT_ZOOM_TELE, "750100"}, {PT_ZOOM_WIDE, "750300"},
    {PT_STOP, "750900"},       {PT_LENS_STOP, "750900"},
};

}  // namespace

class CPtCNB_SMART : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtCNB_SMART]")

    // A code without a word still goes out, with six zero bytes.
    void SetCmd(PtPortHandle* h, int code) override {
        uint8_t packet[11] = {'*'};
        if (!cnb::AddressDigits(h->address, packet + 1)) return NoPacket();
        if (const Row* r = pttable::Find<kCommands>(code)) std::memcpy(packet + 3, r->word, 6);
        cnb::Seal(packet);
        Out(*this, h).Put(packet);
    }
};

CPtProtocol* NewCPtCNB_SMART() { return new (std::nothrow) CPtCNB_SMART(); }
