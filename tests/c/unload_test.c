/* A host that unloads the library and loads it again starts with no
 * manager, as after a first load: the unload really unmaps the library and
 * runs its shut-down. */
#include <dlfcn.h>
#include <stdio.h>

#define CHECK(cond) do { if (!(cond)) { fprintf(stderr, "failed: %s\n", #cond); return 1; } } while (0)

typedef int (*IntCall)(void);

static void* Load(const char* path, IntCall* init, IntCall* count) {
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fprintf(stderr, "%s\n", dlerror());
        return NULL;
    }
    *init = (IntCall)dlsym(lib, "SetPTInit");
    *count = (IntCall)dlsym(lib, "GetPtCount");
    return *init && *count ? lib : NULL;
}

int main(int argc, char** argv) {
    IntCall init, count;
    CHECK(argc == 2);
    for (int round = 0; round < 3; ++round) {
        void* lib = Load(argv[1], &init, &count);
        CHECK(lib != NULL);
        CHECK(count() == 0);
        CHECK(init() == 1);
        CHECK(count() == 61);
        CHECK(dlclose(lib) == 0);
        /* Unmapped: a lookup without loading finds nothing. */
        CHECK(dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) == NULL);
    }
    return 0;
}
