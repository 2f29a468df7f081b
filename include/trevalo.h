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
 *
 * Common arguments:
 *   index    protocol index, 0 .. TREVALO_PROTOCOL_COUNT-1 (TREVALO_PELCO_D ...).
 *   channel  0 .. 254, one protocol object per channel; every call after the
 *            open names the same channel and the handle the open returned.
 *   address  the camera's address on its line, 0 .. 255.
 *   handle   what the open returned; NULL makes every call do nothing.
 *   buffer, length  (the _NET forms) where the packet goes: buffer holds at
 *            least TREVALO_CAPTURE_MAX bytes; *length receives the packet's
 *            size (a call that sends nothing normally stores 0).
 *
 * Capture buffers: a capture channel keeps the buffer and length pointer of
 * its last _NET call (open included), and a serial-form call on that
 * channel (SetPtSpeedCtrl, SetPtAutoScan) writes its packet there.  So the
 * last buffer and length passed must stay valid until the next _NET call on
 * the channel or its close: never a stack buffer that goes out of scope, or
 * a block freed, while the channel is open.
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

/* Protocol indexes, as GetPtName names them. */
#define TREVALO_DYNA                   0  /* "Dyna" */
#define TREVALO_DY_255RXC              1  /* "DY-255RXC" */
#define TREVALO_FINE                   2  /* "Fine" */
#define TREVALO_KALATEL                3  /* "Kalatel" */
#define TREVALO_LILIN                  4  /* "Lilin" */
#define TREVALO_PANASONIC              5  /* "Panasonic" */
#define TREVALO_PELCO_D                6  /* "Pelco-D" */
#define TREVALO_PHILIPS_BOSCH          7  /* "Philips/Bosch" */
#define TREVALO_SERIM                  8  /* "Serim" */
#define TREVALO_SUNGJIN                9  /* "Sungjin" */
#define TREVALO_VICON_1200R           10  /* "Vicon_1200R" */
#define TREVALO_DYUNI                 11  /* "DYUni" */
#define TREVALO_MP200                 12  /* "MP200" */
#define TREVALO_KD6                   13  /* "KD6" */
#define TREVALO_SAMSUNG_SCC_641       14  /* "Samsung SCC-641" */
#define TREVALO_SYSMANIA_ORX_1000     15  /* "Sysmania ORX-1000" */
#define TREVALO_TECHWIN               16  /* "Techwin" */
#define TREVALO_OMNIVIEW              17  /* "OmniView" */
#define TREVALO_CNB                   18  /* "CNB" */
#define TREVALO_CTNCOM_HD0670         19  /* "CTNCOM-HD0670" */
#define TREVALO_NIKO                  20  /* "Niko" */
#define TREVALO_AD_SPEEDDOME          21  /* "AD-SpeedDome" */
#define TREVALO_NEOSSRX_1             22  /* "NEOSSRX-1" */
#define TREVALO_PT_101                23  /* "PT-101" */
#define TREVALO_PANASONICV12          24  /* "PanasonicV12" */
#define TREVALO_VICONEXT              25  /* "ViconExt" */
#define TREVALO_SECURTEX_B            26  /* "Securtex_B" */
#define TREVALO_SMILECAM              27  /* "SmileCAM" */
#define TREVALO_DRX502A_DSC_230S      28  /* "DRX502A,DSC-230S" */
#define TREVALO_HONEYWELL_HSDN_251    29  /* "Honeywell(HSDN-251)" */
#define TREVALO_SAMSUNG_SRX_100A      30  /* "Samsung SRX-100A" */
#define TREVALO_CNB_SMART             31  /* "CNB-SMART" */
#define TREVALO_HONEYWELL_HRX_1000    32  /* "Honeywell(HRX-1000)" */
#define TREVALO_SYSMANIA_DVRX_1000    33  /* "Sysmania DVRX-1000" */
#define TREVALO_FASTRAXII_HID_2404    34  /* "FastraxII(HID-2404)" */
#define TREVALO_SAE                   35  /* "SAE" */
#define TREVALO_KTD_313               36  /* "KTD_313" */
#define TREVALO_VSD_640               37  /* "VSD_640" */
#define TREVALO_AD1650_2050           38  /* "AD1650/2050" */
#define TREVALO_KTS_2000_ULTRADOME    39  /* "KTS-2000 UltraDome" */
#define TREVALO_DYSPD_255             40  /* "DYSPD-255" */
#define TREVALO_KRE_301_302           41  /* "KRE-301/302" */
#define TREVALO_PELCO_D_D_MAX_CYNIX   42  /* "Pelco-D(D-Max,Cynix)" */
#define TREVALO_SK_D106               43  /* "SK-D106" */
#define TREVALO_SK_D106_R             44  /* "SK-D106_R" */
#define TREVALO_EC_4123ZD             45  /* "EC-4123ZD" */
#define TREVALO_PELCO_P               46  /* "Pelco-P" */
#define TREVALO_SONY_EX780S           47  /* "Sony EX780S" */
#define TREVALO_SK_2172_ZOOM          48  /* "SK-2172 Zoom" */
#define TREVALO_LG_LVC_A700_A900_C100 49  /* "LG LVC-A700/A900/C100" */
#define TREVALO_VRX_2101_RECEIVER     50  /* "VRX-2101 Receiver" */
#define TREVALO_LG_LPT_A100L          51  /* "LG LPT-A100L" */
#define TREVALO_NEWBORN_SPEEDDOME     52  /* "NEWBORN SpeedDome" */
#define TREVALO_LG_LPT_01551HQ        53  /* "LG LPT-01551HQ" */
#define TREVALO_LG_LPT_SD163HM        54  /* "LG LPT-SD163HM" */
#define TREVALO_PANASONIC_NEW         55  /* "Panasonic NEW" */
#define TREVALO_SAMSUNG_MRX_1000      56  /* "Samsung MRX-1000" */
#define TREVALO_PELCO_D_TBT           57  /* "Pelco-D(TBT)" */
#define TREVALO_MIKAMI_PTC_205        58  /* "Mikami PTC-205" */
#define TREVALO_SAMSUNG_SRX_100B      59  /* "SAMSUNG SRX-100B" */
#define TREVALO_CYBER_SCAN_DOME       60  /* "Cyber Scan Dome" */

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

/* Life cycle.  SetPTInit creates the manager (1; 0 if out of memory; 1 and
 * nothing changed if one exists); nothing else works before it.  SetPTUnInit
 * destroys it: close every channel first. */
TREVALO_API int  TREVALO_CALL SetPTInit(void);
TREVALO_API void TREVALO_CALL SetPTUnInit(void);

/* Queries (the _NET forms are identical).  GetPtCount gives
 * TREVALO_PROTOCOL_COUNT.  GetPtName copies the index's display name and
 * its terminator into text (at least TREVALO_NAME_MAX bytes) and returns its
 * length; 0 and an empty string for an unknown index.  The *Used queries
 * return 1 if the protocol has presets, auto-scan or speed control, else 0. */
TREVALO_API int TREVALO_CALL GetPtCount(void);
TREVALO_API int TREVALO_CALL GetPtName(int index, char* text);
TREVALO_API int TREVALO_CALL GetPtPresetUsed(int index);
TREVALO_API int TREVALO_CALL GetPtAutoScanUsed(int index);
TREVALO_API int TREVALO_CALL GetPtSpeedCtrlUsed(int index);

/* Serial forms.
 *
 * SetPtOpen: comPort is the COM port number, 1 and up (on Linux mapped to a
 *   device through TREVALO_COM<n>, TREVALO_PORTMAP or /dev/ttyS<n-1>);
 *   baudRate in bits per second (110 .. 57600, 14400, 56000, 128000,
 *   256000; any other rate, 115200 included, gives 9600); parity is a
 *   letter, 'N' none, 'O' odd, 'E' even, 'M' mark, 'S' space (either case;
 *   any other letter gives none); dataBits 5 .. 8; stopBits 2 gives two
 *   stop bits, any other value one.
 * SetPtCmd: code is a PtCommand.  Preset commands use the number set by
 *   SetPtPresetNo, auto-scan requests the number set by SetPtAutoScanNo.
 * The power and auto-pan calls: on is 1 to switch on, 0 to switch off.
 * SetPtAutoScan: value is the protocol's own (Pelco-D: 0 zone start,
 *   1 zone end, 2 zone scan on, 3 off).
 * SetPtSpeedCtrl: axis is PT_AXIS_*; increase nonzero raises that speed
 *   one step, 0 lowers it one step (within the protocol's range).
 */
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

/* Capture forms: as the serial forms, with the packet stored in buffer
 * (TREVALO_CAPTURE_MAX bytes) and its size in *length instead of written to
 * a line.  SetPtSpeedCtrl_NET also saves the channel's speeds to the speed
 * file that SetPtOpen_NET loads.  See "Capture buffers" above. */
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
