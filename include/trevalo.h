/*
 * trevalo.h - the public interface of the Trevalo camera control library.
 *
 * A host (a video recorder) opens one handle per camera channel, names the
 * protocol (0..60, see GetPtCount/GetPtName), the camera address and the
 * serial line, then steers the camera through the Set* calls.  The _NET
 * forms drive the same protocol objects in capture mode: every packet is
 * copied into the caller's buffer and its length stored through the
 * caller's pointer instead of going to a serial port.
 *
 * Failures are silent by design: the opens return NULL, the queries 0 and
 * the request calls give no result.
 */
#ifndef TREVALO_H
#define TREVALO_H

#if defined(_WIN32)
#  if defined(TREVALO_BUILDING)
#    define TREVALO_API __declspec(dllexport)
#  else
#    define TREVALO_API __declspec(dllimport)
#  endif
#  define TREVALO_CALL __cdecl
#else
#  if defined(TREVALO_BUILDING)
#    define TREVALO_API __attribute__((visibility("default")))
#  else
#    define TREVALO_API
#  endif
#  define TREVALO_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Command codes of SetPtCmd and SetPtCmd_NET. */
typedef enum PtCommand {
    PT_UP = 0,
    PT_UP_RIGHT = 1,
    PT_RIGHT = 2,
    PT_DOWN_RIGHT = 3,
    PT_DOWN = 4,
    PT_DOWN_LEFT = 5,
    PT_LEFT = 6,
    PT_UP_LEFT = 7,
    PT_AUTO_PAN_ON = 8,
    PT_FOCUS_NEAR = 9,
    PT_FOCUS_FAR = 10,
    PT_ZOOM_TELE = 11,
    PT_ZOOM_WIDE = 12,
    PT_STOP = 13,
    PT_LENS_STOP = 14,
    PT_PRESET_SET = 15,
    PT_PRESET_CLEAR = 16,
    PT_PRESET_GOTO = 17,
    PT_SPECIAL_GOTO = 18,
    PT_IRIS_CLOSE = 19,
    PT_IRIS_OPEN = 20,
    PT_IRIS_AUTO = 21,
    PT_ZONE_START = 22,
    PT_ZONE_END = 23
} PtCommand;

/* Number of protocols the library speaks. */
#define TREVALO_PROTOCOL_COUNT 61
/* Smallest buffer GetPtName needs (longest name plus terminator). */
#define TREVALO_NAME_MAX 22
/* A capture buffer of this size holds the longest packet of any protocol. */
#define TREVALO_CAPTURE_MAX 256

/* Opaque per-channel handle returned by the opens. */
typedef struct PtPortHandle PtPortHandle;

/* Speed-control axes of SetPtSpeedCtrl. */
#define PT_AXIS_PAN   0
#define PT_AXIS_TILT  1
#define PT_AXIS_ZOOM  2
#define PT_AXIS_FOCUS 3

/* Life cycle. */
TREVALO_API int  TREVALO_CALL SetPTInit(void);
TREVALO_API void TREVALO_CALL SetPTUnInit(void);

/* Queries (the _NET forms are identical). */
TREVALO_API int TREVALO_CALL GetPtCount(void);
TREVALO_API int TREVALO_CALL GetPtName(int index, char* text);
TREVALO_API int TREVALO_CALL GetPtPresetUsed(int index);
TREVALO_API int TREVALO_CALL GetPtAutoScanUsed(int index);
TREVALO_API int TREVALO_CALL GetPtSpeedCtrlUsed(int index);

/* Serial forms. */
TREVALO_API PtPortHandle* TREVALO_CALL SetPtOpen(int index, int channel, int address, int comPort,
                                                 int baudRate, int parity, int dataBits, int stopBits);
TREVALO_API void TREVALO_CALL SetPtClose(PtPortHandle* handle, int channel);
TREVALO_API void TREVALO_CALL SetPtCmd(PtPortHandle* handle, int channel, int code);
TREVALO_API void TREVALO_CALL SetPtCameraPower(PtPortHandle* handle, int channel, int on);
TREVALO_API void TREVALO_CALL SetPtLampPower(PtPortHandle* handle, int channel, int on);
TREVALO_API void TREVALO_CALL SetPtAuxPower(PtPortHandle* handle, int channel, int on);
TREVALO_API void TREVALO_CALL SetPtAutoPan(PtPortHandle* handle, int channel, int on);
TREVALO_API void TREVALO_CALL SetPtPresetNo(int channel, int preset);
TREVALO_API void TREVALO_CALL SetPtAutoScanNo(int channel, int scan);
TREVALO_API void TREVALO_CALL SetPtAutoScan(PtPortHandle* handle, int channel, int value);
TREVALO_API void TREVALO_CALL SetPtSpeedCtrl(PtPortHandle* handle, int channel, int axis, int increase);

/* Capture forms. */
TREVALO_API int TREVALO_CALL GetPtCount_NET(void);
TREVALO_API int TREVALO_CALL GetPtName_NET(int index, char* text);
TREVALO_API int TREVALO_CALL GetPtPresetUsed_NET(int index);
TREVALO_API int TREVALO_CALL GetPtAutoScanUsed_NET(int index);
TREVALO_API int TREVALO_CALL GetPtSpeedCtrlUsed_NET(int index);
TREVALO_API PtPortHandle* TREVALO_CALL SetPtOpen_NET(int index, int channel, int address,
                                                     unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtClose_NET(PtPortHandle* handle, int channel,
                                            unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtCmd_NET(PtPortHandle* handle, int channel, int code,
                                          unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtCameraPower_NET(PtPortHandle* handle, int channel, int on,
                                                  unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtLampPower_NET(PtPortHandle* handle, int channel, int on,
                                                unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtAuxPower_NET(PtPortHandle* handle, int channel, int on,
                                               unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtAutoScan_NET(PtPortHandle* handle, int channel, int value,
                                               unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtAutoPan_NET(PtPortHandle* handle, int channel, int on,
                                              unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtSpeedCtrl_NET(PtPortHandle* handle, int channel, int axis, int increase,
                                                unsigned char* buffer, int* length);
TREVALO_API void TREVALO_CALL SetPtPresetNo_NET(int channel, int preset);
TREVALO_API void TREVALO_CALL SetPtAutoScanNo_NET(int channel, int scan);

#ifdef __cplusplus
}
#endif

#endif /* TREVALO_H */
