/* Its own translation unit, so that the benchmark makes a real call, as it
   does into the shared library. */
#include "PlainPelcoD.h"

#include "trevalo.h"

static unsigned char s_frame[7] = {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

static void Set(unsigned char c1, unsigned char c2, unsigned char d1, unsigned char d2) {
    s_frame[2] = c1;
    s_frame[3] = c2;
    s_frame[4] = d1;
    s_frame[5] = d2;
}

void PlainPelcoD(int address, int code, int preset, unsigned char* buf, int* len) {
    const unsigned char p = (unsigned char)preset;
    s_frame[1] = (unsigned char)address;
    switch (code) {
        case PT_UP: Set(0x00, 0x08, 0x33, 0x33); break;
        case PT_UP_RIGHT: Set(0x00, 0x0A, 0x33, 0x33); break;
        case PT_RIGHT: Set(0x00, 0x02, 0x33, 0x33); break;
        case PT_DOWN_RIGHT: Set(0x00, 0x12, 0x33, 0x33); break;
        case PT_DOWN: Set(0x00, 0x10, 0x33, 0x33); break;
        case PT_DOWN_LEFT: Set(0x00, 0x14, 0x33, 0x33); break;
        case PT_LEFT: Set(0x00, 0x04, 0x33, 0x33); break;
        case PT_UP_LEFT: Set(0x00, 0x0C, 0x33, 0x33); break;
        case PT_FOCUS_NEAR: Set(0x01, 0x00, 0x00, 0x00); break;
        case PT_FOCUS_FAR: Set(0x00, 0x80, 0x00, 0x00); break;
        /* Zoom and stop keep the previous data bytes. */
        case PT_ZOOM_TELE: s_frame[2] = 0x00, s_frame[3] = 0x20; break;
        case PT_ZOOM_WIDE: s_frame[2] = 0x00, s_frame[3] = 0x40; break;
        case PT_STOP:
        case PT_LENS_STOP: s_frame[2] = 0x00, s_frame[3] = 0x00; break;
        case PT_PRESET_SET: Set(0x00, 0x03, 0x00, p); break;
        case PT_PRESET_CLEAR: Set(0x00, 0x05, 0x00, p); break;
        case PT_PRESET_GOTO: Set(0x00, 0x07, 0x00, p); break;
        case PT_SPECIAL_GOTO: Set(0x00, 0x07, 0x33, 0x33); break;
        case PT_IRIS_CLOSE: Set(0x04, 0x00, 0x00, 0x00); break;
        case PT_IRIS_OPEN: Set(0x02, 0x00, 0x00, 0x00); break;
        default: break; /* resend the previous frame */
    }
    s_frame[6] = (unsigned char)(s_frame[1] + s_frame[2] + s_frame[3] + s_frame[4] + s_frame[5]);
    for (int i = 0; i < 7; ++i) buf[i] = s_frame[i];
    *len = 7;
}
