// The sniffer's parts on their own: the lazy lookup against the exhaustive
// one over a long random stream, the decoder's split of streams, and the
// report's limits. Runs in a scratch directory, as the tool does.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "Cli.h"
#include "Decoder.h"
#include "FrameIndex.h"
#include "FullIndex.h"
#include "Report.h"
#include "Scratch.h"
#include "trevalo.h"

namespace {

using sniff::Finding;
using sniff::Segment;

using Key = std::tuple<int, int, int, int>;  // protocol, address, action order, length
Key KeyOf(const Finding& f) { return Key(f.protocol, f.address, f.attach ? -1 : f.order, f.length); }

// The keys of V, leaving out the protocols marked in SKIP.
std::set<Key> Keys(const std::vector<Finding>& v, const std::vector<char>& skip) {
    std::set<Key> k;
    for (const Finding& f : v)
        if (!skip[f.protocol]) k.insert(KeyOf(f));
    return k;
}

// Protocols whose fresh packets depend on a file the previous captures
// wrote (Dyna's last movement, Serim's last command): what a fresh object
// gives there depends on the order of captures, not on the bytes.
bool FileState(int protocol) {
    sniff::Link a(protocol, 7, 240), b(protocol, 7, 241);
    if (!a.Reopen(protocol, 7)) return false;
    sniff::Run(a, sniff::Cat().all[0]);
    const sniff::Packet first = sniff::Captured(a);
    for (size_t x = 1; x < sniff::Cat().basic; ++x) {
        b.Reopen(protocol, 7);
        sniff::Run(b, sniff::Cat().all[x]);
    }
    a.Reopen(protocol, 7);
    sniff::Run(a, sniff::Cat().all[0]);
    return sniff::Captured(a) != first;
}

TEST(SniffLookup, LazyAnswersAsTheExhaustiveTableOverALongRandomStream) {
    // Packets of every protocol at random addresses and actions, with runs
    // of random bytes between them; the two lookups must name the same
    // cameras and actions at every offset.
    std::mt19937 rng(20261206);
    const int count = static_cast<int>(sniff::Cat().all.size());
    std::vector<char> fileState(TREVALO_PROTOCOL_COUNT);
    for (int p = 0; p < TREVALO_PROTOCOL_COUNT; ++p) fileState[p] = FileState(p);
    sniff::FullIndex full;
    sniff::FrameIndex lazy;
    std::vector<uint8_t> stream;
    sniff::Link link(0, 0, 242);
    link.KeepSpeedFile();
    for (int i = 0; i < 1500; ++i) {
        const int p = static_cast<int>(rng() % TREVALO_PROTOCOL_COUNT), a = static_cast<int>(rng() % 256),
                  x = static_cast<int>(rng() % (count + 1));
        if (!link.Reopen(p, a)) continue;
        if (x < count) sniff::Run(link, sniff::Cat().all[x]);
        const sniff::Packet pk = sniff::Captured(link);
        stream.insert(stream.end(), pk.begin(), pk.end());
        for (int k = static_cast<int>(rng() % 4); k > 0; --k) stream.push_back(static_cast<uint8_t>(rng()));
    }
    ASSERT_GT(stream.size(), 6000u);

    int matched = 0;
    std::map<int, std::string> missed;  // by protocol: the first difference
    for (size_t pos = 0; pos < stream.size(); ++pos) {
        std::vector<Finding> a, b;
        full.Exact(&stream[pos], stream.size() - pos, a);
        lazy.Exact(&stream[pos], stream.size() - pos, b);
        const std::set<Key> ka = Keys(a, fileState), kb = Keys(b, fileState);
        matched += !ka.empty();
        std::vector<Key> diff;
        std::set_symmetric_difference(ka.begin(), ka.end(), kb.begin(), kb.end(), std::back_inserter(diff));
        for (const Key& k : diff) {
            const bool inFull = ka.count(k) > 0;
            const std::vector<Finding>& in = inFull ? a : b;
            const auto f = std::find_if(in.begin(), in.end(), [&](const Finding& x) { return KeyOf(x) == k; });
            missed.emplace(std::get<0>(k), "offset " + std::to_string(pos) + ": address " + std::to_string(std::get<1>(k)) +
                                               " " + f->What() + (inFull ? " only in the exhaustive table" : " only in the lazy lookup"));
        }
    }
    for (const auto& m : missed) ADD_FAILURE() << "protocol " << m.first << ", " << m.second;
    EXPECT_GT(matched, 1200);
}

// A kind letter per segment (F frame, U unconfirmed, N noise, I incomplete)
// with its length, e.g. "F7 N1 F7".
std::string Pieces(const std::vector<Segment>& v) {
    std::string s;
    for (const Segment& g : v) s += (s.empty() ? "" : " ") + std::string(1, "FUNI"[g.kind]) + std::to_string(g.length);
    return s;
}

TEST(SniffDecoder, SplitsStreamsAsALineAnalyser) {
    struct Case { const char* name; const char* hex; const char* pieces; const char* contains; };  // contains: a report line
    const Case cases[] = {
        {"noise byte between up and stop", "FF 01 00 08 33 33 6F 55 FF 01 00 00 33 33 67", "F7 N1 F7",
         "address 1    stop (after up)"},
        {"two noise bytes, then a fresh frame", "12 FF FF 01 00 08 33 33 6F", "N2 F7", "address 1    up"},
        {"capture cut inside a frame", "FF 01 00 08 33 33 6F FF 01 00", "F7 I3", "incomplete"},
        {"a frame without a check byte", "01 04 98", "U3", "unconfirmed: no check byte"},
        {"an unchecked frame yields to a checked one running past it", "05 00 00 00 00 00 00", "N1 F6",
         "= Dyna (0)"},
        {"a checked frame inside an unchecked one does not split it", "05 00 00 00 00 00", "U6",
         "= VSD_640 (37)"},
        {"a check byte off by one", "FF 01 00 08 33 33 70", "N7", "~ Pelco-D (6)"},
        {"preset number beyond the direct lookup", "FF 01 00 07 00 25 2D", "F7", "preset-goto 37"},
    };
    sniff::FrameIndex lazy;
    for (const Case& c : cases) {
        const std::vector<uint8_t> in = cli::ParseHex(c.hex);
        const std::vector<Segment> got = sniff::Decoder(lazy).Decode(in);
        const std::string pieces = Pieces(got), text = sniff::Report(in, got, 20);
        EXPECT_EQ(pieces, c.pieces) << c.name;
        EXPECT_NE(text.find(c.contains), std::string::npos) << c.name << ":\n" << text;
        EXPECT_EQ(sniff::AllAccounted(got), std::string(c.pieces).find_first_of("NI") == std::string::npos) << c.name;
    }
}

TEST(SniffReport, MaxLimitsLinesAndActionsPerLine) {
    Segment s{Segment::Frame, 0, 1, {}};
    for (const auto& at : {std::make_pair(1, 0), {1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 4}, {3, 4}}) {  // address, action
        s.findings.emplace_back();
        s.findings.back().protocol = 6;
        s.findings.back().address = at.first;
        s.findings.back().action.def = &actions::Table()[at.second];
    }
    const std::string text = sniff::Report({0xFF}, {s}, 2);
    EXPECT_NE(text.find("address 1    up, down, ... and 3 more\n"), std::string::npos) << text;
    EXPECT_NE(text.find("address 2    up-left\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  ... and 1 more\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("address 3"), std::string::npos) << text;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (SetPTInit() != 1) return 1;
    int rc = 1;
    {
        Scratch scratch;
        if (scratch.ok()) rc = RUN_ALL_TESTS();
        else std::fprintf(stderr, "cannot make a scratch directory\n");
    }
    SetPTUnInit();
    return rc;
}
