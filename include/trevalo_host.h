/*
 * trevalo_host.h - host windows on systems without Win32 windows.
 *
 * On Windows the library forwards bytes received on an open serial port to
 * the top-level window titled "DVR" as WM_COPYDATA messages.  Elsewhere a
 * host registers a receiver under a window title instead; the port's watch
 * thread calls it synchronously with the same content: dwData 1124, the byte
 * count (at most 10) and the bytes.  Without a receiver for "DVR" received
 * bytes are dropped, as they are on Windows without the window.
 */
#ifndef TREVALO_HOST_H
#define TREVALO_HOST_H

#include "trevalo.h"
#include "trevalo_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The dwData value of every receive message. */
#define TREVALO_COPYDATA_RX 1124

typedef void (*TrevaloHostReceiver)(void* context, unsigned long dwData,
                                    const unsigned char* data, unsigned int count);

/* Registers (or replaces) the receiver for a window title; returns 1 on success. */
TREVALO_API int TREVALO_CALL TrevaloRegisterHostWindow(const char* title,
                                                       TrevaloHostReceiver receiver, void* context);
/* Removes the receiver for a title; when it returns, the receiver is no longer running. */
TREVALO_API void TREVALO_CALL TrevaloUnregisterHostWindow(const char* title);

/*
 * Ports mapped to a network serial server (socket://HOST:PORT,
 * rfc2217://HOST:PORT) reconnect by themselves when the link drops.  A
 * watcher hears when the link of such a port drops and returns, and which
 * line settings an RFC 2217 server acknowledged (text "19200 7E2").  It runs
 * on the port's watch thread; serial devices never call it.
 */
#define TREVALO_LINK_DOWN 0
#define TREVALO_LINK_UP 1
#define TREVALO_LINK_SETTINGS 2

typedef void (*TrevaloLinkWatcher)(void* context, int comPort, int event, const char* text);

/* Registers the one watcher (NULL removes it); when it returns, a removed watcher is no longer running. */
TREVALO_API void TREVALO_CALL TrevaloWatchLinks(TrevaloLinkWatcher watcher, void* context);

/*
 * Why the latest SetPtOpen of a channel returned NULL, for a host's log: the
 * device tried and the system's reason, e.g. "/dev/ttyUSB0: Device or
 * resource busy" or "COM4: no TREVALO_COM4, and TREVALO_PORTMAP file
 * /etc/trevalo/ports not found; /dev/ttyS3: No such file or directory".
 * Writes at most size bytes (always terminated, when size > 0) and returns
 * the full length; 0 (and "") when the channel's latest open succeeded, no
 * open failed yet, the channel is out of range or SetPTInit has not run.
 * TREVALO_DEBUG prints the same text when the open fails.
 */
TREVALO_API int TREVALO_CALL TrevaloLastOpenError(int channel, char* text, int size);

#ifndef _WIN32
/* The running library's version, "MAJOR.MINOR.PATCH"; compare it with
 * TREVALO_VERSION_STRING, the version of the headers the host was built with. */
TREVALO_API const char* TREVALO_CALL TrevaloVersion(void);
#endif

/*
 * A line opened to listen only, for sniffers: no protocol object, nothing
 * is ever written, DTR is left as it is. Bytes received go to the "DVR"
 * receiver as on any open port. The port settings are those of SetPtOpen
 * (COM number, baud rate, parity letter 'N'/'O'/'E'/'M'/'S', data bits,
 * stop bits). Returns NULL when the port cannot be opened.
 */
typedef struct TrevaloListener TrevaloListener;
TREVALO_API TrevaloListener* TREVALO_CALL TrevaloListenOpen(int comPort, int baud, int parity,
                                                           int dataBits, int stopBits);
TREVALO_API void TREVALO_CALL TrevaloListenClose(TrevaloListener* listener);

/*
 * 1 once the device behind the line has gone away (adapter unplugged, far
 * end of a pseudo-terminal closed), 0 while it is there or for NULL. The
 * first form takes a handle from SetPtOpen (a capture handle has no line
 * and gives 0).
 */
TREVALO_API int TREVALO_CALL TrevaloPortLost(PtPortHandle* handle);
TREVALO_API int TREVALO_CALL TrevaloListenLost(TrevaloListener* listener);

#ifdef __cplusplus
}
#endif

#endif /* TREVALO_HOST_H */
