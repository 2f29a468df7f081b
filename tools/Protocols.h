// The library's protocol list as the tool presents it: names, capability
// flags, and resolving what a user typed to an index.
#pragma once

#include <string>
#include <vector>

namespace protocols {

struct Info {
    int index;
    std::string name;
    bool preset, autoScan, speed;
};

// Every protocol the library lists (GetPtCount entries), in index order.
const std::vector<Info>& All();
std::string Label(int index);  // "Pelco-D (6)"

// An index, or a display name: case-insensitive, a unique prefix will do,
// and an exact name wins over the longer names it prefixes. Unknown and
// ambiguous names fail with the candidates in the message.
int Resolve(const std::string& text);

// The table of "trevalo list" (or its JSON form).
std::string Table(bool json);

}  // namespace protocols
