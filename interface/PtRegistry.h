// The fixed list of protocols: display names, capability sets and the
// factory that creates a protocol object by index (TREVALO_PROTOCOL_COUNT
// of them).
#pragma once

class CPtProtocol;

namespace ptregistry {

using Factory = CPtProtocol* (*)();

// Null for indexes outside the list.
const char* Name(int index);
bool PresetUsed(int index);
bool AutoScanUsed(int index);
bool SpeedCtrlUsed(int index);

// A new object of the index's class, or null (index out of range or
// allocation failure).
CPtProtocol* Create(int index);

}  // namespace ptregistry
