#include "protocols/SKD106Frame.h"

#include "protocol/PtCheck.h"

namespace {

using namespace skd106;

// Lens, stop and preset rows are the same for both domes.
constexpr Row kCommon[] = {
    {PT_ZOOM_TELE, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x01}},
    {PT_ZOOM_WIDE, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x80}},
    {PT_STOP, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_LENS_STOP, {'M', 'A'}, {0x00, 0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_SET, {'S', 'T'}, {kPreset, 0x00, 0x00, 0x00, 0x00}},
    {PT_PRESET_CLEAR, {'M', 'C'}, {0x01, kPreset, 0x00, 0x00, 0x00}},
    {PT_PRESET_GOTO, {'P', 'R'}, {kPreset, 0x00, 0x00, 0x00, 0x00}},
};

// Stops go twice so that one lost stop does not leave the dome moving.
constexpr unsigned kStopGapMs = 10;

}  // namespace

void CPtSKD106Frame::Address(PtPortHandle* h) {
    m_byFrame[0] = 0x02;
    m_byFrame[1] = static_cast<uint8_t>(h->address);
}

void CPtSKD106Frame::AttachPort(PtPortHandle* h) {
    for (uint8_t& b : m_byFrame) b = 0x00;
    Address(h);
    m_byFrame[15] = 0x04;
    NoPacket();
}

const Row* CPtSKD106Frame::Find(int code) const {
    const Row* move = m_findMove(code);
    return move ? move : pttable::Find<kCommon>(code);
}

void CPtSKD106Frame::SetCmd(PtPortHandle* h, int code) {
    Address(h);
    if (const Row* r = Find(code)) {
        m_byFrame[2] = static_cast<uint8_t>(r->letters[0]);
        m_byFrame[3] = static_cast<uint8_t>(r->letters[1]);
        pttable::Fill(m_byFrame + 4, r->bytes, [this](pttable::Source) { return static_cast<uint8_t>(m_nPreset); });
    }
    m_byFrame[14] = ptcheck::Sum(m_byFrame, 1, 13);

    Out out(*this, h);
    out.Put(m_byFrame);
    if (code != PT_STOP && code != PT_LENS_STOP) return;
    out.Pause(kStopGapMs);
    if (m_bCaptureBothStops)
        out.Put(m_byFrame);
    else
        out.Repeat(m_byFrame);
}

// Bytes 7 to 13 stay: a zoom value from an earlier command goes out again.
void CPtSKD106Frame::SetAutoPan(PtPortHandle* h, int on) {
    Address(h);
    m_byFrame[2] = on ? 'A' : 'R';
    m_byFrame[3] = on ? 'P' : 'S';
    m_byFrame[4] = m_byFrame[5] = m_byFrame[6] = 0x00;
    m_byFrame[14] = ptcheck::Sum(m_byFrame, 1, 13);
    Out(*this, h).Put(m_byFrame);
}
