// The sniffer as a technician starts it: `trevalo identify` run as a child
// process. Prints Markdown rows: the time from start to the first decoded
// frame on standard output and the peak memory (max RSS), against the
// exhaustive lookup (`--full-index`) measured in the same run; and decoding
// throughput on a long mixed stream against the fastest line, 115200 baud
// (11,520 bytes/s). With BASELINE, an earlier build of the tool, its
// start-up and throughput are measured in the same run too.
//   trevalo_bench_sniffer [RUNS] [BASELINE]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "trevalo.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double firstMs = 0;  // start to the first line of output
    double totalMs = 0;  // start to exit
    long maxRssKb = 0;
};

// Runs the tool with `input` on standard input (none when empty).
Run Spawn(const std::vector<std::string>& args, const std::string& input) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) std::exit(1);
    const auto t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    // Written whole before reading: the tool reads all input first.
    for (size_t done = 0; done < input.size();) {
        const ssize_t n = write(in[1], input.data() + done, input.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(in[1]);
    Run r;
    char buf[65536];
    bool first = true;
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) {
        if (first && std::find(buf, buf + n, '\n') != buf + n) {
            r.firstMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            first = false;
        }
    }
    close(out[0]);
    int status = 0;
    rusage use{};
    wait4(child, &status, 0, &use);
    r.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    r.maxRssKb = use.ru_maxrss;
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Packets of random protocols, addresses and commands with a few noise
// bytes between some of them, as hex on one line.
std::string MixedStream(size_t packets, size_t* bytes) {
    std::mt19937 rng(1124);
    unsigned char buf[TREVALO_CAPTURE_MAX];
    std::string hex;
    *bytes = 0;
    SetPTInit();
    auto add = [&](unsigned char b) {
        char t[4];
        std::snprintf(t, sizeof t, "%02X ", b);
        hex += t;
        ++*bytes;
    };
    const int codes[] = {PT_UP, PT_DOWN, PT_LEFT, PT_RIGHT, PT_STOP, PT_ZOOM_TELE, PT_ZOOM_WIDE, PT_LENS_STOP};
    // A line carries a few cameras: a handful of protocols and addresses.
    const int protocols[] = {6, 46, 4, 14, 23, 59};
    for (size_t i = 0; i < packets; ++i) {
        const int p = protocols[rng() % 6];
        const int a = static_cast<int>(rng() % 4) + 1;
        int len = -1;
        PtPortHandle* h = SetPtOpen_NET(p, 1, a, buf, &len);
        len = -1;
        SetPtCmd_NET(h, 1, codes[rng() % 8], buf, &len);
        for (int k = 0; k < len; ++k) add(buf[k]);
        if (rng() % 8 == 0) add(static_cast<unsigned char>(rng()));
    }
    SetPTUnInit();
    return hex + "\n";
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string tool = TREVALO_TOOL;
    const std::vector<std::string> frame = {tool, "identify", "FF", "01", "00", "08", "33", "33", "6F"};
    std::vector<std::string> full = frame;
    full.insert(full.begin() + 2, "--full-index");

    std::vector<double> lazyFirst, fullFirst;
    std::vector<double> lazyRss, fullRss;
    for (int i = 0; i < runs; ++i) {
        const Run l = Spawn(frame, ""), f = Spawn(full, "");
        lazyFirst.push_back(l.firstMs);
        fullFirst.push_back(f.firstMs);
        lazyRss.push_back(l.maxRssKb / 1024.0);
        fullRss.push_back(f.maxRssKb / 1024.0);
    }
    const double lf = Median(lazyFirst), ff = Median(fullFirst);
    const double lr = Median(lazyRss), fr = Median(fullRss);

    size_t bytes = 0;
    const std::string stream = MixedStream(4000, &bytes);
    // Start-up excluded: the first line comes once the lookup is built
    // and the whole stream decoded.
    auto throughput = [&](const std::string& which, double startMs) {
        std::vector<double> rates;
        for (int i = 0; i < std::max(1, runs / 2); ++i) {
            const Run r = Spawn({which, "identify", "--max", "1"}, stream);
            rates.push_back(bytes / ((r.totalMs - startMs) / 1000.0));
        }
        return Median(rates);
    };
    const double rate = throughput(tool, lf);

    std::printf("| Sniffer start-up: `trevalo identify` of one Pelco-D frame, start to the first decoded "
                "frame (exhaustive lookup in the same run: %.0f ms) | %.0f ms | %.3f× the exhaustive |\n",
                ff, lf, lf / ff);
    std::printf("| Sniffer peak memory (max RSS) for the same run (exhaustive: %.1f MB) | %.1f MB | %.3f× "
                "the exhaustive |\n",
                fr, lr, lr / fr);
    std::printf("| Sniffer decoding throughput, %zu-byte stream of 4,000 frames of 6 protocols with noise "
                "bytes, start-up excluded | %.0f bytes/s | %.2f× 115200 baud (11,520 bytes/s) |\n",
                bytes, rate, rate / 11520.0);
    if (argc > 2) {
        const std::string baseline = argv[2];
        std::vector<double> first;
        std::vector<std::string> args = frame;
        args[0] = baseline;
        for (int i = 0; i < runs; ++i) first.push_back(Spawn(args, "").firstMs);
        const double bf = Median(first);
        const double br = throughput(baseline, bf);
        std::printf("| Baseline build, start-up to the first decoded frame | %.0f ms | %.2f× this build's |\n", bf,
                    bf / lf);
        std::printf("| Baseline build, decoding throughput | %.0f bytes/s | %.3f× this build's |\n", br, br / rate);
    }
    return 0;
}
