// CNB cameras (index 18). Eleven ASCII bytes:
//   "*"  two address digits  four command characters  "00"  two hex sum digits
// The address comes from the attach; the attach itself sends "*", the
// address and eight "0" (no sum).
#include <cstring>

#include "protocols/PtFactories.h"
#include "protocols/PtTable.h"
#include "protocols/CnbAddress.h"
#include "protocols/QuietProtocol.h"

namespace {

struct Row {
    int code;
    char word[5];
};

// Diagonals, presets and the rest have no word: nothing goes out.
constexpr Row kCommands[] = {
    {PT_UP, "753E"},         {PT_RIGHT, "753C"},     {PT_DOWN, "753F"},
    {PT_LEFT, "753D"},       {PT_FOCUS_NEAR, "7506"}, {PT_FOCUS_FAR, "7505"},
    {PT_ZOOM_TELE, "7501"},  {PT_ZOOM_WIDE, "7503"}, {PT_STOP, "7509"},
    {PT_LENS_STOP, "7509"},
};

}  // namespace

class CPtCNB : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtCNB]")

    void AttachPort(PtPortHandle* h) override {
        uint8_t digits[2];
        m_bAddressOk = cnb::AddressDigits(h->address, digits);
        if (!m_bAddressOk) return NoPacket();
        m_byPacket[0] = '*';
        m_byPacket[1] = digits[0];
        m_byPacket[2] = digits[1];
        std::memset(m_byPacket + 3, '0', 8);
        Out(*this, h).Put(m_byPacket);
    }

    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kCommands>(code);
        if (!row || !m_bAddressOk) return NoPacket();
        std::memcpy(m_byPacket + 3, row->word, 4);
        m_byPacket[7] = m_byPacket[8] = '0';
        cnb::Seal(m_byPacket);
        Out(*this, h).Put(m_byPacket);
    }

private:
    uint8_t m_byPacket[11] = {};
    // Before any attach the packet goes out with a zero address.
    bool m_bAddressOk = true;
};

CPtProtocol* NewCPtCNB() { return new (std::nothrow) CPtCNB(); }
