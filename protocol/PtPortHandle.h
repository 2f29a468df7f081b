// The record a host holds per open channel. Allocated with malloc so that
// it can be released with free whichever side of the C boundary frees it.
#pragma once

#include <cstdint>

class CComPort;

struct PtPortHandle {
    CComPort* port;        // owned by the handle
    int32_t protocolIndex; // read back for the speed file section
    signed char address;   // low byte of the address given to the open
};
