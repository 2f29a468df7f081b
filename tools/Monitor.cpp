#include "Monitor.h"

#include <signal.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "Cli.h"
#include "Decoder.h"
#include "FrameIndex.h"
#include "Report.h"
#include "Scratch.h"
#include "trevalo_host.h"

namespace monitor {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

struct Chunk {
    timeval when;
    std::vector<uint8_t> bytes;
};

// Filled on the port's watch thread, emptied on the main thread.
struct Inbox {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<Chunk> chunks;
};

void Receive(void* context, unsigned long dwData, const unsigned char* data, unsigned int count) {
    if (dwData != TREVALO_COPYDATA_RX || !count) return;
    auto* inbox = static_cast<Inbox*>(context);
    Chunk c;
    gettimeofday(&c.when, nullptr);
    c.bytes.assign(data, data + count);
    {
        std::lock_guard<std::mutex> g(inbox->lock);
        inbox->chunks.push_back(std::move(c));
    }
    inbox->ready.notify_one();
}

std::string Stamp(const timeval& tv) {
    tm local;
    localtime_r(&tv.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<long>(tv.tv_usec / 1000));
    return text;
}

// A network port's link dropping and returning, on standard error.
void OnLink(void*, int comPort, int event, const char* text) {
    if (event == TREVALO_LINK_DOWN || event == TREVALO_LINK_UP)
        std::fprintf(stderr, "trevalo: COM%d %s\n", comPort, text);
}

// Unregisters the receiver however Run ends.
struct Registration {
    explicit Registration(Inbox* inbox) {
        ok = TrevaloRegisterHostWindow("DVR", Receive, inbox) != 0;
    }
    ~Registration() { TrevaloUnregisterHostWindow("DVR"); }
    bool ok;
};

}  // namespace

int Run(const Settings& s) {
    // The index and its scratch directory come first: the scratch run
    // changes the current directory, and the port path is already resolved.
    std::unique_ptr<Scratch> scratch;
    std::unique_ptr<sniff::FrameIndex> lookup;
    std::unique_ptr<sniff::Decoder> index;
    if (s.identify) {
        scratch.reset(new Scratch);
        if (!scratch->ok()) cli::Failed("cannot create a scratch directory");
        const sniff::Progress progress = sniff::TerminalProgress();
        lookup.reset(new sniff::FrameIndex(progress));
        if (progress) progress(-1, 0);
        index.reset(new sniff::Decoder(*lookup));
    }

    Inbox inbox;
    Registration registration(&inbox);
    TrevaloWatchLinks(&OnLink, nullptr);
    if (!registration.ok) cli::Failed("cannot register a receiver for received bytes");
    // Opened to listen only: no protocol object, so nothing is ever sent.
    TrevaloListener* line = TrevaloListenOpen(s.line.comPort, s.line.baud, s.line.parity, s.line.dataBits,
                                              s.line.stopBits);
    if (!line) cli::Failed(ports::OpenFailure(s.port));

    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::fprintf(stderr, "trevalo: listening on %s at %d baud%s\n", s.portDescription.c_str(), s.line.baud,
                 s.identify ? ", identifying packets" : "");

    const auto start = Clock::now();
    auto lastByte = start;
    std::vector<uint8_t> burst;
    long total = 0;
    auto flush = [&] {
        if (burst.empty()) return;
        const std::vector<sniff::Segment> segments = index->Decode(burst);
        std::fputs(sniff::Report(burst, segments, s.maxLines, "    ").c_str(), stdout);
        std::fflush(stdout);
        burst.clear();
    };
    for (;;) {
        std::deque<Chunk> got;
        {
            std::unique_lock<std::mutex> g(inbox.lock);
            inbox.ready.wait_for(g, std::chrono::milliseconds(5), [&] { return !inbox.chunks.empty(); });
            got.swap(inbox.chunks);
        }
        const auto now = Clock::now();
        for (const Chunk& c : got) {
            std::printf("%s  %s\n", Stamp(c.when).c_str(), cli::Hex(c.bytes).c_str());
            total += static_cast<long>(c.bytes.size());
            if (index) burst.insert(burst.end(), c.bytes.begin(), c.bytes.end());
            lastByte = now;
        }
        if (!got.empty()) std::fflush(stdout);
        const bool done = g_stop || (s.maxBytes > 0 && total >= s.maxBytes) ||
                          (s.durationMs >= 0 && now - start >= std::chrono::milliseconds(s.durationMs));
        const bool lost = !done && got.empty() && TrevaloListenLost(line);
        if (index && (done || lost || now - lastByte >= std::chrono::milliseconds(s.gapMs))) flush();
        if (lost) {
            TrevaloListenClose(line);
            cli::Failed("lost the line " + s.portDescription + " (device unplugged or far end closed)");
        }
        if (done) break;
    }
    TrevaloListenClose(line);
    TrevaloWatchLinks(nullptr, nullptr);
    return 0;
}

}  // namespace monitor
