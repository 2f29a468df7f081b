// Shared by the benchmark programs: a scratch home laid out as a host's,
// a monotonic clock, and a pty whose slave the library opens as a COM port.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "trevalo.h"

namespace bench {

inline uint64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

inline double ProcessCpuUs() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// The q-quantile (0..1) of a run's samples; Google Benchmark itself only
// reports means per repetition, which one preempted iteration can skew.
inline double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

inline std::string ProtocolName(int index) {
    char text[TREVALO_NAME_MAX] = {};
    GetPtName(index, text);
    return text;
}

// The library reads config/ptz_speed.ini under the current directory and
// keeps Dyna's and Serim's files in $TREVALO_WINDIR. Each run gets its own
// directory, with the files a host using those protocols would have, so
// the file costs measured are the real ones and nothing outside is touched.
class ScratchHome {
public:
    ScratchHome() {
        namespace fs = std::filesystem;
        char dir[] = "/tmp/trevalo-bench-XXXXXX";
        if (!mkdtemp(dir)) return;
        m_dir = dir;
        std::error_code ec;
        fs::create_directories(m_dir + "/config", ec);
        fs::create_directories(m_dir + "/windows", ec);
        std::ofstream(m_dir + "/config/ptz_speed.ini")
            << "[0 6 1]\npan_speed=32\ntilt_speed=32\nzoom_speed=2\nfocus_speed=2\n";
        // The library never creates Serim's file; without it Serim does less.
        std::ofstream(m_dir + "/windows/PTINI.INI", std::ios::binary).write("\0\0\0\0", 4);
        fs::current_path(m_dir, ec);
        setenv("TREVALO_WINDIR", (m_dir + "/windows").c_str(), 1);
    }
    ~ScratchHome() {
        if (m_dir.empty()) return;
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(m_dir, ec);
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

private:
    std::string m_dir;
};

// A pty pair: the benchmark holds the master (the far end of the line),
// and TREVALO_COM<com> points the library at the slave.
class Pty {
public:
    explicit Pty(int com) : m_var("TREVALO_COM" + std::to_string(com)) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0) return;
        const char* slave = grantpt(m_master) == 0 && unlockpt(m_master) == 0 ? ptsname(m_master) : nullptr;
        if (!slave) {
            HangUp();
            return;
        }
        setenv(m_var.c_str(), slave, 1);
    }
    ~Pty() {
        HangUp();
        unsetenv(m_var.c_str());
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return m_master >= 0; }
    int master() const { return m_master; }
    void HangUp() {
        if (m_master >= 0) close(m_master);
        m_master = -1;
    }

private:
    std::string m_var;
    int m_master = -1;
};

// The process's threads, to tell which one an open started.
inline std::set<long> ThreadIds() {
    std::set<long> ids;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ids.insert(std::strtol(e->d_name, nullptr, 10));
        closedir(d);
    }
    return ids;
}

// Voluntary plus involuntary context switches of one thread: how often it
// ran at all.
inline long ContextSwitches(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string key;
    long total = 0, value = 0;
    while (in >> key) {
        if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
            if (in >> value) total += value;
        }
    }
    return total;
}

}  // namespace bench
