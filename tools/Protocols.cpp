#include "Protocols.h"

#include <cctype>
#include <cstdio>

#include "Cli.h"
#include "trevalo.h"

namespace protocols {
namespace {

// Letters and digits only, lower case: "pelcod" finds "Pelco-D".
std::string Squeeze(const std::string& s) {
    std::string out;
    for (char c : s)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Candidates(const std::vector<const Info*>& list) {
    std::string s;
    for (const Info* i : list) s += (s.empty() ? "" : ", ") + Label(i->index);
    return s;
}

// Names matching under one way of comparing: exact matches if any, else
// the names that the text prefixes.
std::vector<const Info*> Match(const std::string& text, std::string (*norm)(const std::string&)) {
    const std::string want = norm(text);
    std::vector<const Info*> exact, prefix;
    if (want.empty()) return exact;
    for (const Info& i : All()) {
        const std::string name = norm(i.name);
        if (name == want) exact.push_back(&i);
        else if (name.compare(0, want.size(), want) == 0) prefix.push_back(&i);
    }
    return exact.empty() ? prefix : exact;
}

std::string LowerOf(const std::string& s) { return cli::Lower(s); }

}  // namespace

const std::vector<Info>& All() {
    static const std::vector<Info> list = [] {
        std::vector<Info> v;
        const int n = GetPtCount();
        for (int i = 0; i < n; ++i) {
            char name[TREVALO_NAME_MAX + 1] = {0};
            GetPtName(i, name);
            v.push_back({i, name, GetPtPresetUsed(i) != 0, GetPtAutoScanUsed(i) != 0,
                         GetPtSpeedCtrlUsed(i) != 0});
        }
        return v;
    }();
    return list;
}

std::string Label(int index) {
    for (const Info& i : All())
        if (i.index == index) return i.name + " (" + std::to_string(index) + ")";
    return "protocol " + std::to_string(index);
}

int Resolve(const std::string& text) {
    const int count = static_cast<int>(All().size());
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
        return static_cast<int>(cli::ParseNumber(text, 0, count - 1, "protocol index"));
    std::vector<const Info*> found = Match(text, LowerOf);
    if (found.empty()) found = Match(text, Squeeze);
    if (found.size() == 1) return found[0]->index;
    if (found.size() > 1)
        cli::Usage("ambiguous protocol \"" + text + "\": " + Candidates(found));
    // Unknown: offer the names that contain it, if any.
    std::vector<const Info*> near;
    const std::string want = Squeeze(text);
    for (const Info& i : All())
        if (!want.empty() && Squeeze(i.name).find(want) != std::string::npos) near.push_back(&i);
    cli::Usage("unknown protocol \"" + text + "\"" +
               (near.empty() ? std::string("; see \"trevalo list\"")
                             : "; did you mean: " + Candidates(near)));
}

std::string Table(bool json) {
    std::string out;
    if (json) {
        out = "[\n";
        for (const Info& i : All()) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "  {\"index\": %d, \"name\": %s, \"preset\": %s, \"autoScan\": %s, "
                          "\"speed\": %s}%s\n",
                          i.index, JsonString(i.name).c_str(), i.preset ? "true" : "false",
                          i.autoScan ? "true" : "false", i.speed ? "true" : "false",
                          i.index + 1 < static_cast<int>(All().size()) ? "," : "");
            out += line;
        }
        return out + "]\n";
    }
    out = "index  name                   preset  auto-scan  speed\n";
    for (const Info& i : All()) {
        char line[96];
        std::snprintf(line, sizeof line, "%5d  %-21s  %-6s  %-9s  %s\n", i.index, i.name.c_str(),
                      i.preset ? "yes" : "-", i.autoScan ? "yes" : "-", i.speed ? "yes" : "-");
        out += line;
    }
    return out;
}

}  // namespace protocols
