#include "Log.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace trevalod {
namespace {
std::mutex g_mutex;
std::atomic<bool> g_quiet{false};
}  // namespace

void SetLogQuiet(bool quiet) { g_quiet = quiet; }

void LogLine(Level level, const std::string& text) {
    if (g_quiet && level == Level::Info) return;
    static const char* names[] = {"error", "warning", "info"};
    const time_t now = time(nullptr);
    struct tm tm;
    gmtime_r(&now, &tm);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::lock_guard<std::mutex> lock(g_mutex);
    std::fprintf(stderr, "%s trevalod %s: %s\n", stamp, names[static_cast<int>(level)], text.c_str());
    std::fflush(stderr);
}

}  // namespace trevalod
