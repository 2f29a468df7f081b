// The fixed list of protocols: display names, capability sets and the
// factory that creates a protocol object by index.
#pragma once

#include <new>

class CPtProtocol;

namespace ptregistry {

constexpr int kCount = 61;

using Factory = CPtProtocol* (*)();

// Null for indexes outside 0..60.
const char* Name(int index);
bool PresetUsed(int index);
bool AutoScanUsed(int index);
bool SpeedCtrlUsed(int index);

// A new object of the index's class, or null (index out of range, class
// not linked in, or allocation failure).
CPtProtocol* Create(int index);

// Called once per protocol class at load time (see PT_REGISTER_PROTOCOL).
bool Register(int index, Factory factory);

}  // namespace ptregistry

// Put at the end of a protocol's source file: makes the class creatable
// under its index without the registry naming every class.
#define PT_REGISTER_PROTOCOL(index, Class)                                         \
    namespace {                                                                    \
    CPtProtocol* Create_##Class() { return new (std::nothrow) Class(); }           \
    [[maybe_unused]] const bool g_registered_##Class =                             \
        ptregistry::Register(index, &Create_##Class);                              \
    }
