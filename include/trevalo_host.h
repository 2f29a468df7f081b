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

#ifndef _WIN32
/* The running library's version, "MAJOR.MINOR.PATCH"; compare it with
 * TREVALO_VERSION_STRING, the version of the headers the host was built with. */
TREVALO_API const char* TREVALO_CALL TrevaloVersion(void);
#endif

#ifdef __cplusplus
}
#endif

#endif /* TREVALO_HOST_H */
