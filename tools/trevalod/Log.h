// One line per event on standard error, which systemd's journal collects.
#pragma once

#include <string>

namespace trevalod {

enum class Level { Error, Warning, Info };
void LogLine(Level level, const std::string& text);
// Turned off by the fuzz target and the bench, whose requests are legion.
void SetLogQuiet(bool quiet);

}  // namespace trevalod
