#include "protocols/PelcoDFrame.h"

#include "protocol/PtCheck.h"

void CPtPelcoDFrame::AttachPort(PtPortHandle* h) {
    m_byFrame[0] = 0xFF;
    m_byFrame[1] = static_cast<uint8_t>(h->address);
    NoPacket();
}

void CPtPelcoDFrame::Seal() { m_byFrame[6] = ptcheck::Sum(m_byFrame, 1, 5); }

bool CPtPelcoDFrame::Apply(const pelcod::Row* row, PtPortHandle* h) {
    m_byFrame[0] = 0xFF;
    m_byFrame[1] = static_cast<uint8_t>(h->address);
    if (row) {
        pttable::Fill(m_byFrame + 2, row->bytes, [this](pttable::Source src) -> uint8_t {
            switch (src) {
                case pttable::kPan: return m_byPan;
                case pttable::kTilt: return m_byTilt;
                default: return static_cast<uint8_t>(m_nPreset);
            }
        });
    }
    Seal();
    return row != nullptr;
}

bool CPtPelcoDFrame::StepSpeed(int axis, int increase, uint8_t address) {
    switch (axis) {
        case PT_AXIS_PAN:
            m_byPan = static_cast<uint8_t>(::StepSpeed(m_byPan, increase, 0, 63));
            NoPacket();
            return false;
        case PT_AXIS_TILT:
            m_byTilt = static_cast<uint8_t>(::StepSpeed(m_byTilt, increase, 0, 63));
            NoPacket();
            return false;
        case PT_AXIS_ZOOM:
        case PT_AXIS_FOCUS: {
            uint8_t& speed = axis == PT_AXIS_ZOOM ? m_byZoom : m_byFocus;
            speed = static_cast<uint8_t>(::StepSpeed(speed, increase, 0, 3));
            m_byFrame[0] = 0xFF;
            m_byFrame[1] = address;
            m_byFrame[2] = 0x00;
            m_byFrame[3] = axis == PT_AXIS_ZOOM ? 0x25 : 0x27;
            m_byFrame[4] = 0x00;
            m_byFrame[5] = speed;
            Seal();
            return true;
        }
        default: return false;
    }
}

void CPtPelcoDFrame::SendOnceStopTwice(PtPortHandle* h, int code) {
    Out out(*this, h);
    out.Put(m_byFrame);
    if (code == PT_STOP || code == PT_LENS_STOP) out.Repeat(m_byFrame);
}
