/*
 * A minimal recorder on a serial line: opens Pelco-D on a COM port, steers
 * the camera, prints what the camera sends back, and closes.
 *
 *   serial_host [COM-NUMBER]        (default 1; on Linux COM1 is the device
 *                                    in TREVALO_COM1, else /dev/ttyS0)
 *
 * examples/ptyline plays the camera without hardware:
 *   build/tools/ptyline --write "FF 01 00 00 00 00 01" -- build/serial_host
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "trevalo.h"
#include "trevalo_host.h"

static volatile unsigned received;

/* Runs on the port's watch thread, as the "DVR" window's WM_COPYDATA does
 * on Windows: at most 10 bytes a call. */
static void on_rx(void* context, unsigned long dwData, const unsigned char* data, unsigned count) {
    (void)context;
    if (dwData != TREVALO_COPYDATA_RX) return;
    printf("received:");
    for (unsigned i = 0; i < count; ++i) printf(" %02X", data[i]);
    printf("\n");
    fflush(stdout);
    received += count;
}

static void sleep_ms(long ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, NULL);
}

int main(int argc, char** argv) {
    const int com = argc > 1 ? atoi(argv[1]) : 1;
    if (!SetPTInit()) return 1;
    printf("library %s\n", TrevaloVersion());
    TrevaloRegisterHostWindow("DVR", on_rx, NULL);

    /* Channel 0, camera address 1, 9600 baud, no parity, 8 data bits, 1 stop bit. */
    PtPortHandle* h = SetPtOpen(TREVALO_PELCO_D, 0, 1, com, 9600, 'N', 8, 1);
    if (!h) {
        fprintf(stderr, "serial_host: cannot open COM%d (TREVALO_DEBUG=1 shows why)\n", com);
        TrevaloUnregisterHostWindow("DVR");
        SetPTUnInit();
        return 1;
    }
    SetPtCmd(h, 0, PT_UP);
    SetPtCmd(h, 0, PT_STOP);
    SetPtCmd(h, 0, PT_ZOOM_TELE);
    SetPtCmd(h, 0, PT_STOP);
    SetPtPresetNo(0, 5);
    SetPtCmd(h, 0, PT_PRESET_GOTO);
    printf("sent: up, stop, zoom in, stop, preset goto 5\n");
    fflush(stdout);

    /* Give the camera up to two seconds to answer. */
    for (int i = 0; i < 200 && !received; ++i) sleep_ms(10);

    SetPtClose(h, 0);
    /* After the close no receiver call is running or to come. */
    TrevaloUnregisterHostWindow("DVR");
    SetPTUnInit();
    return 0;
}
