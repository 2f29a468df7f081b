// Calls for hosts beside the 34 exports (trevalo_host.h).
#include <cstring>
#include <string>

#include "interface/CPtApp.h"
#include "interface/CPtManager.h"
#include "trevalo_host.h"

extern "C" {

TREVALO_API int TREVALO_CALL TrevaloLastOpenError(int channel, char* text, int size) {
    CPtManager* m = theApp.Manager();
    const std::string why = m ? m->OpenError(channel) : std::string();
    if (text && size > 0) {
        const size_t n = why.size() < static_cast<size_t>(size - 1) ? why.size() : static_cast<size_t>(size - 1);
        std::memcpy(text, why.data(), n);
        text[n] = '\0';
    }
    return static_cast<int>(why.size());
}

}  // extern "C"
