// The host's view of network port links, beside the 34 exports.
#include "transport/NetLine.h"
#include "trevalo_host.h"

extern "C" TREVALO_API void TREVALO_CALL TrevaloWatchLinks(TrevaloLinkWatcher watcher, void* context) {
    SetLinkWatcher(watcher, context);
}
