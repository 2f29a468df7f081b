#!/usr/bin/env python3
"""Turns the benchmark programs' JSON into bench/RESULTS.md.

usage: report.py RESULTS_DIR BUILD_DIR > RESULTS.md

Every figure is the median over the repetitions. Where a program also
reports a per-iteration median inside each repetition (the *_p50_us
counters), that is the figure used, so a preempted iteration on a shared
machine does not move it.
"""
import glob
import json
import os
import platform
import re
import statistics
import subprocess
import sys

UNIT_NS = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(results):
    """run name (without the iterations/manual_time suffixes) -> median entry"""
    runs, contexts = {}, {}
    for path in sorted(glob.glob(os.path.join(results, "*.json"))):
        with open(path) as f:
            data = json.load(f)
        contexts[os.path.basename(path)[:-5]] = data["context"]
        for b in data["benchmarks"]:
            if b.get("aggregate_name") != "median":
                continue
            name = re.sub(r"/(iterations|repeats):\d+|/manual_time", "", b["run_name"])
            b["ns"] = b["real_time"] * UNIT_NS[b["time_unit"]]
            b["cpu_ns"] = b["cpu_time"] * UNIT_NS[b["time_unit"]]
            runs[name] = b
    return runs, contexts


def first_line(cmd):
    try:
        return subprocess.run(cmd, capture_output=True, text=True, check=False).stdout.splitlines()[0]
    except (OSError, IndexError):
        return "unknown"


def cache_value(build, key):
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return ""


def read(path, default=""):
    try:
        with open(path) as f:
            return f.read().strip()
    except OSError:
        return default


def busy_percent(before, after):
    """Share of all CPUs not idle between two 'cpu' lines of /proc/stat."""
    try:
        a = [int(x) for x in before.split()[1:]]
        b = [int(x) for x in after.split()[1:]]
    except ValueError:
        return None
    delta = [y - x for x, y in zip(a, b)]
    total = sum(delta)
    idle = delta[3] + (delta[4] if len(delta) > 4 else 0)
    return 100.0 * (total - idle) / total if total else None


def machine(results, build, contexts, reps):
    cpuinfo = read("/proc/cpuinfo")
    model = re.search(r"^model name\s*:\s*(.*)$", cpuinfo, re.M)
    flags = re.search(r"^flags\s*:\s*(.*)$", cpuinfo, re.M)
    ctx = next(iter(contexts.values()), {})
    mem = re.search(r"MemTotal:\s*(\d+)", read("/proc/meminfo"))
    compiler = cache_value(build, "CMAKE_CXX_COMPILER")
    flags_release = cache_value(build, "CMAKE_CXX_FLAGS_RELEASE")
    gbench = first_line(["dpkg-query", "-W", "-f", "${Version}", "libbenchmark-dev"])
    busy = busy_percent(read(os.path.join(results, "stat-before")), read(os.path.join(results, "stat-after")))
    lines = [
        "- CPU: %s, %d cores%s, %s MHz as reported" % (
            model.group(1) if model else "unknown", os.cpu_count() or 0,
            " (virtual machine)" if flags and " hypervisor" in flags.group(1) else "",
            ctx.get("mhz_per_cpu", "?")),
        "- Memory: %.0f GiB" % (int(mem.group(1)) / 2**20) if mem else "- Memory: unknown",
        "- Kernel: %s %s" % (platform.system(), platform.release()),
        "- Compiler: %s, Release (`%s`)" % (first_line([compiler, "--version"]) if compiler else "unknown",
                                            flags_release),
        "- Google Benchmark %s (Debian's package; it calls its own build \"%s\", which affects the"
        " harness, not the library)" % (gbench, ctx.get("library_build_type", "?")),
        "- Load average (1, 5, 15 min) before the run: %s; after: %s" % (
            " ".join(read(os.path.join(results, "load-before")).split()[:3]),
            " ".join(read(os.path.join(results, "load-after")).split()[:3])),
    ]
    if busy is not None:
        lines.append("- Both cores were %.0f%% busy during the run, this run's own single-threaded"
                     " loops included (at most 50%% of the machine); the rest was other developers'"
                     " builds and tests" % busy)
    lines.append("- Started %s UTC, %d repetitions per figure (3 for the 5 s idle figures)" % (
        read(os.path.join(results, "started")), reps))
    return lines


def fmt_ns(ns):
    if ns < 1e3:
        return "%.1f ns" % ns
    if ns < 1e6:
        return "%.1f µs" % (ns / 1e3)
    return "%.1f ms" % (ns / 1e6)


def fmt_us(us):
    return fmt_ns(us * 1e3)


def verdict(ok):
    return "met" if ok else "**missed**"


def main():
    results, build = sys.argv[1], sys.argv[2]
    runs, contexts = load(results)
    out = []
    w = out.append

    capture = {}  # (index, code) -> entry
    for name, b in runs.items():
        m = re.fullmatch(r"capture_cmd/(\d+)/(\w+)", name)
        if m:
            capture[(int(m.group(1)), m.group(2))] = b
    names = {i: b.get("label", "").split(";")[0] for (i, _), b in capture.items()}
    kind = {k: b.get("label", ";plain").split(";")[1] for k, b in capture.items()}
    plain = {k: b["ns"] for k, b in capture.items() if kind[k] == "plain"}
    plain_cpu = {k: b["cpu_ns"] for k, b in capture.items() if kind[k] == "plain"}

    serial = {}
    for name, b in runs.items():
        m = re.fullmatch(r"serial_cmd/(\d+)/(\w+)/pauses_recorded", name)
        if m:
            serial[(int(m.group(1)), m.group(2))] = b

    def run(name):
        return runs.get(name, {})

    w("# Benchmark results")
    w("")
    w("Written by `bench/run.sh`; the programs are in `bench/`. Each figure is the median over the")
    w("repetitions; for serial and receive figures, of each repetition's per-call median.")
    w("")
    w("## Machine")
    w("")
    out.extend(machine(results, build, contexts, max((b["repetitions"] for b in runs.values()), default=0)))
    w("")
    w("## Against the targets")
    w("")
    w("| Figure | Median | Target | |")
    w("|---|---|---|---|")
    if plain:
        med = statistics.median(plain.values())
        worst = max(plain, key=plain.get)
        w("| Capture call (`SetPtCmd_NET` through the shared library), protocols without file I/O or"
          " pauses: median of %d protocol/code pairs (CPU time %s) | %s | ≤ 100 ns | %s |" % (
              len(plain), fmt_ns(statistics.median(plain_cpu.values())), fmt_ns(med), verdict(med <= 100)))
        w("| Capture call, slowest of those pairs (%s, %s; CPU time %s) | %s | ≤ 100 ns | %s |" % (
            names[worst[0]], worst[1], fmt_ns(plain_cpu[worst]), fmt_ns(plain[worst]), verdict(plain[worst] <= 100)))
    if serial:
        ov = {k: b.get("overhead_p50_us", 0) for k, b in serial.items()}
        worst = max(ov, key=ov.get)
        med = statistics.median(ov.values())
        w("| Serial command on a pty, the library's own time (pauses counted, not slept): median of"
          " %d protocol/code pairs | %s | < 1 ms | %s |" % (len(ov), fmt_us(med), verdict(med < 1000)))
        w("| The same, slowest pair (%s, %s) | %s | < 1 ms | %s |" % (
            names.get(worst[0], worst[0]), worst[1], fmt_us(ov[worst]), verdict(ov[worst] < 1000)))
    for name, what in (("serial_cmd/6/up/real_time", "Pelco-D up"), ("serial_cmd/0/up_right/real_time",
                                                                      "Dyna up-right (two frames)")):
        b = run(name)
        if b:
            w("| Serial command with real pauses, %s: call time minus its %.0f ms of pauses | %s | < 1 ms"
              " | %s |" % (what, b["pause_ms"], fmt_us(b["overhead_p50_us"]), verdict(b["overhead_p50_us"] < 1000)))
    for n in (1, 10):
        b = run("receive_latency/%d" % n)
        if b:
            w("| Receive latency, %d byte%s written at the far end to the \"DVR\" receiver called (p99 %s)"
              " | %s | < 2 ms | %s |" % (n, "s" if n > 1 else "", fmt_us(b["p99_us"]), fmt_us(b["p50_us"]),
                                         verdict(b["p50_us"] < 2000)))
    for case, what in (("open", "quiet line"), ("hung_up", "far end gone")):
        b = run("idle_watch/" + case)
        if b:
            w("| Idle watch thread, 5 s, %s: process CPU %s, watch thread woke %d times | %.4f%% of a core"
              " | < 0.1%% | %s |" % (what, fmt_us(b["cpu_us"]), b["watch_wakeups"], b["core_pct"],
                                     verdict(b["core_pct"] < 0.1)))
    w("")
    base = run("idle_watch/no_port")
    if base:
        w("The idle CPU is the whole process's while the benchmark's own thread sleeps; the same 5 s")
        w("with no port open cost %s, so nearly all of it is the sleeping thread itself." % fmt_us(base["cpu_us"]))
        w("")

    w("## Other figures")
    w("")
    w("| Figure | Median |")
    w("|---|---|")
    for idx, what in ((0, "Dyna: movement, zoom and stop keep the last movement in DynaPT.log"),
                      (8, "Serim: every command rewrites PTINI.INI")):
        vals = [b["ns"] for k, b in capture.items() if k[0] == idx and kind[k] == "file"]
        if vals:
            w("| Capture call, %s | %s to %s |" % (what, fmt_ns(min(vals)), fmt_ns(max(vals))))
    b = capture.get((32, "stop"))
    if b:
        w("| Capture call, HRX-1000 stop (waits 3 ms before the frame, capture included) | %s |" % fmt_ns(b["ns"]))
    for q in ("GetPtCount", "GetPtName", "GetPtPresetUsed", "GetPtAutoScanUsed", "GetPtSpeedCtrlUsed"):
        b = run("query/" + q)
        if b:
            w("| `%s` | %s |" % (q, fmt_ns(b["ns"])))
    for name, what in (("serial_cmd/6/up/real_time", "Pelco-D up"), ("serial_cmd/6/stop/real_time", "Pelco-D stop"),
                       ("serial_cmd/14/up/real_time", "Samsung SCC-641 up (no pause)"),
                       ("serial_cmd/0/up_right/real_time", "Dyna up-right")):
        b = run(name)
        if b:
            w("| Serial %s with its real pauses (%.0f ms): the call; the last byte reached the far end %s"
              " after the call started, %s %s it returned | %s |" % (
                  what, b["pause_ms"], fmt_us(b["last_byte_us"]),
                  fmt_us(abs(b["last_byte_after_return_us"])),
                  "before" if b["last_byte_after_return_us"] < 0 else "after", fmt_ns(b["ns"])))
    for name, what in (("capture_open_close/6", "Capture open+close, Pelco-D"),
                       ("capture_open_close/0", "Capture open+close, Dyna"),
                       ("serial_open_close/6", "Serial open+close on a pty, Pelco-D")):
        b = run(name)
        if b:
            w("| %s: %.0f ms of pauses in the close, the rest %s (open %s) | %s |" % (
                what, b["pause_ms"], fmt_us(b["beyond_pause_us"]), fmt_us(b["open_us"]), fmt_ns(b["ns"])))
    w("")
    w("The pauses in a close are the port object's: its Close waits 100 ms whether or not the port")
    w("was opened. A capture close destroys the handle's never-opened port object (one Close); a")
    w("serial close closes the port and then destroys it, and the destructor closes again (two).")
    w("")
    w("A pty passes bytes at once, so none of the serial times include wire time. On a real line")
    w("at 9600 baud 8N1 each byte takes 1.04 ms, and `Write` waits until the bytes are out: a")
    w("7-byte Pelco-D frame adds 7.3 ms before its 30 ms pause.")
    w("")

    if capture:
        codes = ["up", "zoom_tele", "stop", "preset_goto"]
        w("<details><summary>Per protocol</summary>")
        w("")
        w("Capture: ns per `SetPtCmd_NET` (f: touches a file, p: pauses). Serial: µs per `SetPtCmd` on a pty,")
        w("pauses counted, not slept.")
        w("")
        w("| Index | Protocol | up | zoom_tele | stop | preset_goto | serial up | serial stop |")
        w("|---|---|---|---|---|---|---|---|")
        for idx in sorted(names):
            cells = []
            for c in codes:
                b = capture.get((idx, c))
                mark = {"file": " f", "pause": " p"}.get(kind.get((idx, c)), "")
                cells.append(("%.1f" % b["ns"] if b["ns"] < 1e4 else "%.0f" % b["ns"]) + mark if b else "")
            for c in ("up", "stop"):
                b = serial.get((idx, c))
                cells.append("%.1f" % b["overhead_p50_us"] if b else "")
            w("| %d | %s | %s |" % (idx, names[idx], " | ".join(cells)))
        w("")
        w("</details>")
    # Figures measured by hand (the daemon's load bench) are kept as written.
    extra = os.path.join(os.path.dirname(os.path.abspath(__file__)), "trevalod-load.md")
    if os.path.exists(extra):
        with open(extra) as f:
            out += ["", f.read().rstrip()]
    print("\n".join(out))


if __name__ == "__main__":
    main()
