// The library's start-up and shut-down, run by the platform's load and
// unload code (DllMain, or the shared object's constructor and destructor)
// and implemented above the platform, by the application object.
#pragma once

namespace platform {

void OnModuleLoad();
void OnModuleUnload();

}  // namespace platform
