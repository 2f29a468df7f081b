#include "Report.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "Cli.h"
#include "Protocols.h"

namespace sniff {
namespace {

// One line per camera and kind of finding, with all its actions.
struct Line {
    const Finding* first;
    std::vector<std::string> what;
};

std::vector<Line> Lines(const std::vector<Finding>& findings) {
    std::vector<Line> lines;
    for (const Finding& f : findings) {
        Line* same = nullptr;
        for (Line& l : lines)
            if (l.first->source == f.source && l.first->protocol == f.protocol &&
                l.first->address == f.address && l.first->differing == f.differing)
                same = &l;
        if (!same) {
            lines.push_back({&f, {}});
            same = &lines.back();
        }
        const std::string w = f.What();
        if (std::find(same->what.begin(), same->what.end(), w) == same->what.end())
            same->what.push_back(w);
    }
    return lines;
}

std::string More(size_t n) { return "... and " + std::to_string(n) + " more"; }

const char* Note(Segment::Kind k, bool nearest) {
    switch (k) {
        case Segment::Frame: return nullptr;
        case Segment::Unconfirmed: return "unconfirmed: no check byte confirms this match";
        case Segment::Noise:
            return nearest ? "noise: no exact match; nearest:" : "noise: no exact match";
        case Segment::Incomplete: return "incomplete: the bytes end inside what starts like a frame";
    }
    return nullptr;
}

}  // namespace

std::string Report(const std::vector<uint8_t>& bytes, const std::vector<Segment>& segments, int max,
                   const std::string& indent) {
    std::string out;
    const bool many = segments.size() > 1;
    const size_t limit = static_cast<size_t>(std::max(1, max));
    for (const Segment& s : segments) {
        out += indent;
        if (many)
            out += "bytes " + std::to_string(s.offset) + "-" + std::to_string(s.offset + s.length - 1) +
                   ": ";
        out += cli::Hex(&bytes[s.offset], s.length) + "\n";
        if (const char* note = Note(s.kind, !s.findings.empty())) out += indent + "  " + note + "\n";

        if (s.kind == Segment::Frame) {
            std::string unchecked;
            for (const Finding& f : s.findings) {
                const std::string label = protocols::Label(f.protocol);
                if (!f.checked && unchecked.find(label) == std::string::npos)
                    unchecked += (unchecked.empty() ? "" : ", ") + label;
            }
            if (!unchecked.empty())
                out += indent + "  no check byte confirms the readings of " + unchecked + "\n";
        }
        const std::vector<Line> lines = Lines(s.findings);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i == limit) {
                out += indent + "  " + More(lines.size() - limit) + "\n";
                break;
            }
            const Line& l = lines[i];
            std::string what;
            for (size_t k = 0; k < l.what.size(); ++k) {
                if (k == limit) {
                    what += ", " + More(l.what.size() - limit);
                    break;
                }
                what += (k ? ", " : "") + l.what[k];
            }
            char head[96];
            std::snprintf(head, sizeof head, "  %c %-27s address %-4d ",
                          l.first->source == Finding::Near ? '~' : '=',
                          protocols::Label(l.first->protocol).c_str(), l.first->address);
            out += indent + head + what;
            if (l.first->source == Finding::Near)
                out += " (" + std::to_string(l.first->differing) + " of " +
                       std::to_string(l.first->length) + " bytes differ)";
            out += "\n";
        }
    }
    return out;
}

Progress TerminalProgress() {
    if (!isatty(STDERR_FILENO)) return nullptr;
    using Clock = std::chrono::steady_clock;
    auto shown = std::make_shared<bool>(false);
    const auto start = Clock::now();
    return [shown, start](int done, int total) {
        if (done < 0) {
            if (*shown) std::fputs("\r\033[K", stderr);
            *shown = false;
            return;
        }
        if (Clock::now() - start < std::chrono::milliseconds(200)) return;
        std::fprintf(stderr, "\rtrevalo: building the lookup: %d of %d protocols", done, total);
        std::fflush(stderr);
        *shown = true;
    };
}

}  // namespace sniff
