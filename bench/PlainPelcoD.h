/* The floor a capture call is measured against: a plain C function that
   builds a Pelco-D frame, as a host would write it without the library. */
#ifndef TREVALO_BENCH_PLAIN_PELCOD_H
#define TREVALO_BENCH_PLAIN_PELCOD_H

#ifdef __cplusplus
extern "C" {
#endif

/* Writes FF address command1 command2 data1 data2 sum for one of the
   library's command codes (pan and tilt speed 0x33; a code without a
   frame resends the previous one) and stores the length, 7. */
void PlainPelcoD(int address, int code, int preset, unsigned char* buf, int* len);

#ifdef __cplusplus
}
#endif

#endif
