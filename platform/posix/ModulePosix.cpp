// Runs the application object's start-up and shut-down when the shared
// library is loaded and unloaded, as the framework's DLL start-up does.
#include "platform/Module.h"

namespace {

__attribute__((constructor)) void TrevaloLoad() { platform::OnModuleLoad(); }
__attribute__((destructor)) void TrevaloUnload() { platform::OnModuleUnload(); }

}  // namespace
