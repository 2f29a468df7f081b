/*
 * The reference for the capture test: one fixed script run straight
 * through the C exports, printed in the layout of "trevalo capture", so
 * that any slip in the tool's action table shows as a difference.
 *
 *   frames PROTOCOL ADDRESS   (exit 3 when the protocol does not open)
 */
#include <stdio.h>
#include <stdlib.h>

#include "trevalo.h"

static unsigned char buf[TREVALO_CAPTURE_MAX + 64];
static int len;

static void show(const char* what) {
    char count[16];
    snprintf(count, sizeof count, "%d", len);
    printf("%-24s %3s  ", what, len < 0 ? "-" : count);
    if (len < 0) printf("(nothing captured)");
    else if (len == 0) printf("(no packet)");
    for (int i = 0; i < len; ++i) printf(i ? " %02X" : "%02X", buf[i]);
    printf("\n");
}

#define CMD(code, what) (len = -1, SetPtCmd_NET(h, 0, code, buf, &len), show(what))

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const int index = atoi(argv[1]), address = atoi(argv[2]);
    SetPTInit();
    len = -1;
    PtPortHandle* h = SetPtOpen_NET(index, 0, address, buf, &len);
    if (!h) return 3;
    show("open");
    CMD(PT_UP, "up");
    CMD(PT_STOP, "stop");
    CMD(PT_DOWN_LEFT, "down-left");
    CMD(PT_LENS_STOP, "lens-stop");
    CMD(PT_RIGHT, "right");
    CMD(PT_UP_RIGHT, "up-right");
    CMD(PT_ZOOM_TELE, "zoom-in");
    CMD(PT_ZOOM_WIDE, "zoom-out");
    CMD(PT_FOCUS_NEAR, "focus-near");
    CMD(PT_FOCUS_FAR, "focus-far");
    CMD(PT_IRIS_OPEN, "iris-open");
    CMD(PT_IRIS_CLOSE, "iris-close");
    CMD(PT_IRIS_AUTO, "iris-auto");
    SetPtPresetNo_NET(0, 7);
    CMD(PT_PRESET_SET, "preset-set 7");
    SetPtPresetNo_NET(0, 12);
    CMD(PT_PRESET_GOTO, "preset-goto 12");
    SetPtPresetNo_NET(0, 3);
    CMD(PT_PRESET_CLEAR, "preset-clear 3");
    len = -1, SetPtAutoPan_NET(h, 0, 1, buf, &len), show("autopan on");
    len = -1, SetPtAutoPan_NET(h, 0, 0, buf, &len), show("autopan off");
    len = -1, SetPtCameraPower_NET(h, 0, 1, buf, &len), show("power on");
    len = -1, SetPtLampPower_NET(h, 0, 0, buf, &len), show("lamp off");
    len = -1, SetPtAuxPower_NET(h, 0, 1, buf, &len), show("aux on");
    len = -1, SetPtAutoScanNo_NET(0, 2), show("scan-no 2");
    len = -1, SetPtAutoScan_NET(h, 0, 0, buf, &len), show("scan 0");
    len = -1, SetPtSpeedCtrl_NET(h, 0, PT_AXIS_ZOOM, 1, buf, &len), show("speed zoom up");
    len = -1, SetPtSpeedCtrl_NET(h, 0, PT_AXIS_TILT, 0, buf, &len), show("speed tilt down");
    CMD(PT_SPECIAL_GOTO, "code 18");
    CMD(PT_UP_LEFT, "up-left");
    len = -1, SetPtClose_NET(h, 0, buf, &len), show("close");
    SetPTUnInit();
    return 0;
}
