// LG LVC-A700/A900/C100 zoom camera (index 49): lens and power only.
// Six bytes:
//   C5  function  code  00  address  sum(0..4)
// Function 5F is a lens command, 3A/3E camera on/off. The code byte is
// kept, so an unlisted code (a pan/tilt move, say) repeats the last lens
// command.
#include "protocols/PtFactories.h"
#include "protocols/QuietProtocol.h"
#include "protocol/PtCheck.h"
#include "protocols/PtTable.h"

namespace {

struct Row {
    int code;
    uint8_t lens;
};

constexpr Row kLens[] = {
    {PT_FOCUS_NEAR, 0x08}, {PT_FOCUS_FAR, 0x09}, {PT_ZOOM_TELE, 0x01},
    {PT_ZOOM_WIDE, 0x03},  {PT_STOP, 0x0C},      {PT_LENS_STOP, 0x0C},
};

constexpr uint8_t kLensFunction = 0x5F, kCameraOn = 0x3A, kCameraOff = 0x3E;

}  // namespace

class CPtLG_LVC : public CPtQuietProtocol {
public:
    PT_SHOW_MESSAGE("[CPtLG_LVC]")
    void SetCmd(PtPortHandle* h, int code) override {
        const Row* row = pttable::Find<kLens>(code);
        Send(h, kLensFunction, row ? row->lens : m_byPacket[2]);
    }
    void SetCameraPower(PtPortHandle* h, int on) override { Send(h, on ? kCameraOn : kCameraOff, 0x00); }

private:
    void Send(PtPortHandle* h, uint8_t function, uint8_t code) {
        m_byPacket[0] = 0xC5;
        m_byPacket[1] = function;
        m_byPacket[2] = code;
        m_byPacket[3] = 0x00;
        m_byPacket[4] = static_cast<uint8_t>(h->address);
        m_byPacket[5] = ptcheck::Sum(m_byPacket, 0, 4);
        Out(*this, h).Put(m_byPacket);
    }

    uint8_t m_byPacket[6] = {};
};

CPtProtocol* NewCPtLG_LVC() { return new (std::nothrow) CPtLG_LVC(); }
