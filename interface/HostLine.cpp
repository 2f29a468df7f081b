// Beside the 34 exports, for hosts on systems without Win32 windows: a
// line opened to listen only, and whether a line has gone away.
#include <cctype>
#include <new>

#include "protocol/PtPortHandle.h"
#include "transport/CComPort.h"
#include "trevalo_host.h"

struct TrevaloListener {
    CComPort port;
};

namespace {

// As the serial open maps its parity letter and stop bits.
int Parity(int letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'O': return 1;
        case 'E': return 2;
        case 'M': return 3;
        case 'S': return 4;
        default: return 0;
    }
}

}  // namespace

extern "C" {

TREVALO_API TrevaloListener* TREVALO_CALL TrevaloListenOpen(int comPort, int baud, int parity,
                                                           int dataBits, int stopBits) {
    if (comPort < 1 || baud < 0) return nullptr;
    TrevaloListener* l = new (std::nothrow) TrevaloListener;
    if (!l) return nullptr;
    l->port.SetListenOnly();
    if (!l->port.Open(comPort, static_cast<uint32_t>(baud), dataBits, Parity(parity), stopBits == 2 ? 2 : 0)) {
        delete l;
        return nullptr;
    }
    return l;
}

TREVALO_API void TREVALO_CALL TrevaloListenClose(TrevaloListener* listener) { delete listener; }

TREVALO_API int TREVALO_CALL TrevaloPortLost(PtPortHandle* handle) {
    return handle && handle->port && handle->port->IsOpen() && handle->port->LineLost() ? 1 : 0;
}

TREVALO_API int TREVALO_CALL TrevaloListenLost(TrevaloListener* listener) {
    return listener && listener->port.LineLost() ? 1 : 0;
}

}  // extern "C"
