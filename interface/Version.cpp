// The library's own version, for hosts that check the headers they were
// built with against the library they run with.
#include "trevalo_host.h"
#include "trevalo_version.h"

#ifndef _WIN32
extern "C" TREVALO_API const char* TREVALO_CALL TrevaloVersion(void) { return TREVALO_VERSION_STRING; }
#endif
