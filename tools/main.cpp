// trevalo: try the library's protocols from the command line, on the C API
// alone. Subcommands: list, capture, send, identify, monitor.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Actions.h"
#include "Cli.h"
#include "Decoder.h"
#include "FrameIndex.h"
#include "FullIndex.h"
#include "Report.h"
#include "Monitor.h"
#include "Ports.h"
#include "Protocols.h"
#include "Scratch.h"
#include "trevalo.h"
#include "trevalo_host.h"

namespace {

using actions::Action;
using actions::Link;

const char* const kLineOptions =
    "  --port DEVICE|COMn  the line: a device such as /dev/ttyUSB0, or COMn for the\n"
    "                      device named by TREVALO_COMn\n"
    "  --baud B            baud rate (default 9600)\n"
    "  --parity P          N, O, E, M or S (default N)\n"
    "  --data D            data bits, 5 to 8 (default 8)\n"
    "  --stop S            stop bits, 1 or 2 (default 1)\n";

std::string ActionHelp() {
    return "Actions:\n"
           "  up down left right up-left up-right down-left down-right stop lens-stop\n"
           "  zoom-in zoom-out focus-near focus-far iris-open iris-close iris-auto\n"
           "  preset-set N, preset-goto N, preset-clear N\n"
           "  autopan on|off, power on|off, lamp on|off, aux on|off\n"
           "  scan N          auto-scan request N (its meaning is the protocol's)\n"
           "  scan-no N       set the auto-scan number used by later scan requests\n"
           "  speed pan|tilt|zoom|focus up|down\n"
           "  code N          a raw command code (0 to 23 are the PT_ codes)\n"
           "  open, close     open the channel again (the attach packet) or close it\n"
           "PROTOCOL is an index or a display name (any case, a unique prefix will do).\n";
}

// open/close must make sense in order: nothing but open after a close.
void CheckScript(const std::vector<Action>& script) {
    bool closed = false;
    for (const Action& a : script) {
        if (a.IsOpen()) closed = false;
        else if (closed) cli::Usage("\"" + a.Text() + "\" after close: put open before it");
        else if (a.IsClose()) closed = true;
    }
}

struct Target {
    int protocol;
    int address;
    std::vector<Action> script;
};

Target ParseTarget(const std::vector<std::string>& pos, const char* command) {
    if (pos.size() < 3)
        cli::Usage(std::string(command) + " needs PROTOCOL ADDRESS ACTION... (see trevalo " + command +
                   " --help)");
    Target t;
    t.protocol = protocols::Resolve(pos[0]);
    t.address = static_cast<int>(cli::ParseNumber(pos[1], 0, 255, "address"));
    t.script = actions::Parse(std::vector<std::string>(pos.begin() + 2, pos.end()));
    CheckScript(t.script);
    return t;
}

// Runs a checked script; the channel opens at the first action unless that
// action is open itself. `after` sees each action once it has run.
void RunScript(Link& link, const std::vector<Action>& script, const std::function<void()>& openFailed,
               const std::function<void(size_t, const Action&)>& after) {
    for (size_t i = 0; i < script.size(); ++i) {
        const Action& a = script[i];
        if (a.IsOpen() || !link.isOpen()) {
            if (!link.Open()) openFailed();
        }
        if (!a.IsOpen()) {
            link.Begin();
            a.def->run(link, a.arg);
        }
        after(i, a);
    }
    link.Close();
}

std::string NotServed(int protocol) {
    return protocols::Label(protocol) + " is not available in this build of the library";
}

// The packet a fresh object of the protocol captures for one preset action.
std::vector<uint8_t> PresetPacket(Link& probe, const Action& a, int number) {
    probe.Reopen(probe.protocol(), probe.address());
    a.def->run(probe, number);
    const int len = probe.length();
    return len > 0 ? std::vector<uint8_t>(probe.data(), probe.data() + len) : std::vector<uint8_t>();
}

// Warns about preset numbers the protocol cannot name: the action sends
// nothing, or the same packet as another number (a number cut to fit).
void WarnPresets(const Target& t) {
    std::vector<const Action*> presets;
    for (const Action& a : t.script)
        if (a.def->arg == actions::ArgKind::Number && std::string(a.def->name).rfind("preset-", 0) == 0)
            presets.push_back(&a);
    if (presets.empty()) return;
    // Probing runs protocol objects: keep their files away from the user's.
    Scratch scratch;
    Link probe(t.protocol, t.address, 254);
    if (!scratch.ok() || !probe.Open()) return;
    for (const Action* a : presets) {
        const std::vector<uint8_t> mine = PresetPacket(probe, *a, a->arg);
        std::string problem;
        if (mine.empty()) {
            problem = "sends nothing";
        } else {
            for (int other = 0; other <= 255 && problem.empty(); ++other)
                if (other != a->arg && PresetPacket(probe, *a, other) == mine)
                    problem = "sends the packet of preset " + std::to_string(other);
        }
        if (!problem.empty())
            std::fprintf(stderr, "trevalo: warning: %s cannot name preset %d: %s %s\n",
                         protocols::Label(t.protocol).c_str(), a->arg, a->Text().c_str(), problem.c_str());
    }
}

int List(const cli::Options& o) {
    std::fputs(protocols::Table(o.Has("json")).c_str(), stdout);
    return 0;
}

int Capture(const cli::Options& o) {
    const Target t = ParseTarget(o.Positional(), "capture");
    WarnPresets(t);
    Link link(t.protocol, t.address, 0);
    RunScript(link, t.script, [&] { cli::Failed(NotServed(t.protocol)); },
              [&](size_t, const Action& a) {
                  const int len = link.length();
                  std::string bytes = len < 0    ? "(nothing captured)"
                                      : len == 0 ? "(no packet)"
                                                 : cli::Hex(link.data(), static_cast<size_t>(len));
                  std::printf("%-24s %3s  %s\n", a.Text().c_str(),
                              len < 0 ? "-" : std::to_string(len).c_str(), bytes.c_str());
              });
    return 0;
}

int Send(const cli::Options& o) {
    if (!o.Has("port")) cli::Usage("send needs --port DEVICE or --port COMn");
    const Target t = ParseTarget(o.Positional(), "send");
    const long hold = o.Number("hold", 0, 0, 3600000);
    const ports::Port port = ports::Resolve(o.Get("port"));
    Link link(t.protocol, t.address, 0, ports::Settings(o, port.com));
    WarnPresets(t);
    // A missing or busy device fails now, not after the library's retries.
    if (const std::string why = ports::WhyNotOpen(port); !why.empty())
        cli::Failed("cannot open " + port.description + ": " + why);
    const bool quiet = o.Has("quiet");
    auto openFailed = [&] { cli::Failed(link.served() ? ports::OpenFailure(port) : NotServed(t.protocol)); };
    RunScript(link, t.script, openFailed, [&](size_t i, const Action& a) {
        if (!quiet)
            std::fprintf(stderr, "trevalo: [%zu/%zu] %s\n", i + 1, t.script.size(), a.Text().c_str());
        if (link.LineLost())
            cli::Failed("lost the line " + port.description + " after " + std::to_string(i + 1) + " of " +
                        std::to_string(t.script.size()) + " actions (device unplugged or far end closed)");
        if (hold && i + 1 < t.script.size()) std::this_thread::sleep_for(std::chrono::milliseconds(hold));
    });
    if (!quiet)
        std::fprintf(stderr, "trevalo: sent %zu action%s to %s address %d on %s\n", t.script.size(),
                     t.script.size() == 1 ? "" : "s", protocols::Label(t.protocol).c_str(), t.address,
                     port.description.c_str());
    return 0;
}

int Identify(const cli::Options& o) {
    // Arguments are one capture; standard input is one capture per line.
    std::vector<std::vector<uint8_t>> inputs;
    if (!o.Positional().empty()) {
        std::string text;
        for (const std::string& w : o.Positional()) text += w + " ";
        inputs.push_back(cli::ParseHex(text));
    } else {
        for (std::string line; std::getline(std::cin, line);)
            if (line.find_first_not_of(" \t\r") != std::string::npos) inputs.push_back(cli::ParseHex(line));
    }
    inputs.erase(std::remove_if(inputs.begin(), inputs.end(),
                                [](const std::vector<uint8_t>& v) { return v.empty(); }),
                 inputs.end());
    if (inputs.empty()) cli::Usage("identify needs hex bytes, as arguments or on standard input");
    const int maxLines = static_cast<int>(o.Number("max", 20, 1, 100000));

    Scratch scratch;
    if (!scratch.ok()) cli::Failed("cannot create a scratch directory");
    sniff::Progress progress = sniff::TerminalProgress();
    std::unique_ptr<sniff::Lookup> lookup;
    if (o.Has("full-index")) lookup.reset(new sniff::FullIndex(8, progress));
    else lookup.reset(new sniff::FrameIndex(progress));
    if (progress) progress(-1, 0);
    if (o.Has("stats"))
        std::fprintf(stderr, "trevalo: lookup of %zu packets from %d protocols built in %.0f ms\n",
                     lookup->stats().packets, lookup->stats().protocols, lookup->stats().milliseconds);
    sniff::Decoder decoder(*lookup);
    bool accounted = true;
    for (size_t i = 0; i < inputs.size(); ++i) {
        decoder.Forget();
        const std::vector<sniff::Segment> segments = decoder.Decode(inputs[i]);
        std::fputs(((i ? "\n" : "") + sniff::Report(inputs[i], segments, maxLines)).c_str(), stdout);
        std::fflush(stdout);
        accounted = accounted && sniff::AllAccounted(segments);
    }
    return accounted ? 0 : 1;  // 1: some byte is noise or an incomplete frame
}

int Monitor(const cli::Options& o) {
    if (!o.Has("port")) cli::Usage("monitor needs --port DEVICE or --port COMn");
    monitor::Settings s;
    s.protocol = o.Has("protocol") ? protocols::Resolve(o.Get("protocol")) : 6;
    s.identify = o.Has("identify");
    s.gapMs = o.Number("gap", 20, 1, 60000);
    s.durationMs = o.Has("duration")
                       ? static_cast<long>(cli::ParseNumber(o.Get("duration"), 0, 86400, "--duration")) * 1000
                       : -1;
    s.maxBytes = o.Number("bytes", -1, 1, 1L << 30);
    s.maxLines = static_cast<int>(o.Number("max", 5, 1, 100000));
    const ports::Port port = ports::Resolve(o.Get("port"));
    s.line = ports::Settings(o, port.com);
    s.portDescription = port.description;
    s.port = port;
    // A missing or busy device fails now, not after the library's retries.
    if (const std::string why = ports::WhyNotOpen(port); !why.empty())
        cli::Failed("cannot open " + port.description + ": " + why);
    return monitor::Run(s);
}

struct Command {
    const char* name;
    const char* summary;
    std::vector<cli::Options::Option> options;
    int (*run)(const cli::Options&);
    std::string (*help)();
};

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
        {"list", "protocols with their capabilities", {{"json", false}}, List,
         [] {
             return std::string(
                 "usage: trevalo list [--json]\n"
                 "Lists every protocol: index, display name, and whether it offers presets,\n"
                 "auto-scan and speed control.\n");
         }},
        {"capture", "print the packets of actions in capture mode", {}, Capture,
         [] {
             return "usage: trevalo capture PROTOCOL ADDRESS ACTION...\n"
                    "Opens the protocol in capture mode and prints, one line per action, the\n"
                    "action, its packet length (- when the library wrote none) and the bytes.\n"
                    "ADDRESS is 0 to 255.\n" +
                    ActionHelp();
         }},
        {"send", "send actions on a serial line",
         {{"port", true}, {"baud", true}, {"parity", true}, {"data", true}, {"stop", true},
          {"hold", true}, {"quiet", false}},
         Send,
         [] {
             return "usage: trevalo send --port DEVICE|COMn [options] PROTOCOL ADDRESS ACTION...\n"
                    "Sends the actions on a real line, with the protocol's own pauses.\n" +
                    std::string(kLineOptions) +
                    "  --hold MS           wait MS milliseconds between actions\n"
                    "  --quiet             no progress on standard error\n" +
                    ActionHelp();
         }},
        {"identify", "name the protocol, address and action behind bytes",
         // --full-index: the exhaustive lookup, kept to compare against.
         {{"max", true}, {"stats", false}, {"full-index", false}}, Identify,
         [] {
             return std::string(
                 "usage: trevalo identify [--max N] [--stats] [HEX...]\n"
                 "Reads hex bytes from the arguments (or, with none, each line of standard\n"
                 "input on its own), splits them into frames as a line analyser does and names\n"
                 "every protocol, address (0 to 255) and action whose packet matches, exact\n"
                 "matches first (=), then near ones (~). Frames whose check byte confirms them\n"
                 "win; a match without one is marked unconfirmed; bytes no frame accounts for\n"
                 "are noise; a frame cut off at the end is incomplete. An action shown as\n"
                 "\"stop (after up)\" matches when it follows that action on the same camera.\n"
                 "  --max N    at most N lines per frame and N actions per line (default 20)\n"
                 "  --stats    report the size and build time of the lookup on standard error\n"
                 "Exits 0 when every byte belongs to a frame, 1 when some are noise or\n"
                 "incomplete, 2 for bad input.\n");
         }},
        {"monitor", "print bytes received on a line, optionally identified",
         {{"port", true}, {"baud", true}, {"parity", true}, {"data", true}, {"stop", true},
          {"identify", false}, {"gap", true}, {"duration", true}, {"bytes", true},
          {"protocol", true}, {"max", true}},
         Monitor,
         [] {
             return "usage: trevalo monitor --port DEVICE|COMn [options]\n"
                    "Prints what arrives on the line as hex with a timestamp, until interrupted.\n" +
                    std::string(kLineOptions) +
                    "  --identify          name the packets (bytes separated by a pause of --gap)\n"
                    "  --gap MS            pause that ends a burst for --identify (default 20)\n"
                    "  --max N             at most N lines per frame and N actions per line\n"
                    "                      (default 5)\n"
                    "  --duration S        stop after S seconds\n"
                    "  --bytes N           stop after N bytes\n"
                    "The port is opened to listen only: nothing is ever sent on it, and a line\n"
                    "that goes away ends the monitor with an error. (--protocol P, which once\n"
                    "chose the protocol the port was opened with, is accepted and ignored.)\n";
         }},
    };
    return table;
}

std::string MainHelp() {
    std::string s = "usage: trevalo COMMAND [options] [arguments]\n\nCommands:\n";
    for (const Command& c : Commands()) {
        char line[120];
        std::snprintf(line, sizeof line, "  %-10s %s\n", c.name, c.summary);
        s += line;
    }
    return s + "\n\"trevalo COMMAND --help\" describes each command; \"trevalo --version\"\n"
               "prints the tool's and the library's version.\n";
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--version" || args[0] == "-V")) {
        // Both: a tool run against another build of the library shows it.
        std::printf("trevalo %s (library %s)\n", TREVALO_VERSION_STRING, TrevaloVersion());
        return 0;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(MainHelp().c_str(), args.empty() ? stderr : stdout);
        return args.empty() ? cli::kUsage : 0;
    }
    const Command* command = nullptr;
    for (const Command& c : Commands())
        if (args[0] == c.name) command = &c;
    if (!command) {
        std::fprintf(stderr, "trevalo: unknown command \"%s\" (see trevalo --help)\n", args[0].c_str());
        return cli::kUsage;
    }
    args.erase(args.begin());
    if (WantsHelp(args)) {
        std::fputs(command->help().c_str(), stdout);
        return 0;
    }
    if (!SetPTInit()) {
        std::fprintf(stderr, "trevalo: the library could not start\n");
        return cli::kFailed;
    }
    int rc;
    try {
        rc = command->run(cli::Options(command->options, args));
    } catch (const cli::Error& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "trevalo: %s\n", e.what());
        rc = e.code;
    }
    SetPTUnInit();
    return rc;
}
