/* The public header compiles as C and the library links from C. */
#include <stdio.h>
#include <string.h>

#include "trevalo.h"
#include "trevalo_host.h"

#define CHECK(cond) do { if (!(cond)) { fprintf(stderr, "failed: %s\n", #cond); return 1; } } while (0)

int main(void) {
    unsigned char buf[TREVALO_CAPTURE_MAX];
    int len = -1;
    char name[TREVALO_NAME_MAX];
    static const unsigned char up[7] = {0xFF, 0x01, 0x00, 0x08, 0x33, 0x33, 0x6F};

    /* The headers, the build's project version and the library agree. */
    CHECK(strcmp(TREVALO_VERSION_STRING, TREVALO_EXPECTED_VERSION) == 0);
    CHECK(strcmp(TrevaloVersion(), TREVALO_VERSION_STRING) == 0);
    CHECK(TREVALO_VERSION_NUMBER == TREVALO_VERSION_MAJOR * 10000 + TREVALO_VERSION_MINOR * 100 + TREVALO_VERSION_PATCH);

    CHECK(GetPtCount() == 0);
    CHECK(SetPTInit() == 1);
    CHECK(GetPtCount() == 61 && GetPtCount_NET() == 61);
    CHECK(GetPtName(TREVALO_PELCO_D, name) == 7 && strcmp(name, "Pelco-D") == 0);
    PtPortHandle* h = SetPtOpen_NET(6, 0, 1, buf, &len);
    CHECK(h != NULL);
    SetPtCmd_NET(h, 0, PT_UP, buf, &len);
    CHECK(len == 7 && memcmp(buf, up, 7) == 0);
    SetPtClose_NET(h, 0, buf, &len);
    SetPTUnInit();
    CHECK(GetPtCount() == 0);
    return 0;
}
