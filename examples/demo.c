/* Opens Pelco-D in capture mode and prints the frames of a few commands. */
#include <stdio.h>

#include "trevalo.h"

static void show(const char* what, const unsigned char* buf, int len) {
    printf("%-14s", what);
    for (int i = 0; i < len; ++i) printf(" %02X", buf[i]);
    printf("   (%d bytes)\n", len);
}

int main(void) {
    unsigned char buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    char name[TREVALO_NAME_MAX];

    if (!SetPTInit()) return 1;
    GetPtName(6, name);
    PtPortHandle* h = SetPtOpen_NET(6, 0, 1, buf, &len);
    if (!h) {
        fprintf(stderr, "could not open %s\n", name);
        return 1;
    }
    printf("%s, camera address 1, capture mode\n", name);
    SetPtCmd_NET(h, 0, PT_UP, buf, &len);           show("up", buf, len);
    SetPtCmd_NET(h, 0, PT_STOP, buf, &len);         show("stop", buf, len);
    SetPtCmd_NET(h, 0, PT_ZOOM_TELE, buf, &len);    show("zoom in", buf, len);
    SetPtCmd_NET(h, 0, PT_STOP, buf, &len);         show("stop", buf, len);
    SetPtPresetNo_NET(0, 5);
    SetPtCmd_NET(h, 0, PT_PRESET_GOTO, buf, &len);  show("preset goto 5", buf, len);
    SetPtClose_NET(h, 0, buf, &len);
    SetPTUnInit();
    return 0;
}
