#!/bin/sh
# End-to-end tests of the trevalo tool, one group per ctest entry:
#   capture identify errors serial install docs examples
# Needs TOOL, PTYLINE, FRAMES, BUILD_DIR and SOURCE_DIR in the environment
# (tools/CMakeLists.txt passes them). Ends with "N passed, N failed".
set -u
group=$1
passed=0
failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/trevalo-cli-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
# No config/ here, so a capture never writes a speed file; the library's
# Windows-directory files go to a directory of our own.
cd "$work" || exit 1
export TREVALO_WINDIR="$work/windows"
mkdir -p "$TREVALO_WINDIR"

ok() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*" >&2
}
# same NAME EXPECTED ACTUAL
same() {
    if [ "$2" = "$3" ]; then ok; else
        fail "$1"
        printf '  expected: %s\n  actual:   %s\n' "$2" "$3" >&2
    fi
}
# has NAME FILE PATTERN (a fixed string)
has() {
    if grep -qF -- "$3" "$2"; then ok; else
        fail "$1: no \"$3\" in:"
        sed 's/^/  | /' "$2" >&2
    fi
}
# like NAME FILE REGEX (extended)
like() {
    if grep -Eq -- "$3" "$2"; then ok; else
        fail "$1: nothing like /$3/ in:"
        sed 's/^/  | /' "$2" >&2
    fi
}
fresh_windir() { rm -rf "$TREVALO_WINDIR" && mkdir -p "$TREVALO_WINDIR"; }
# The bytes of a capture line: what follows the action and its length.
bytes_of() { cut -c31-; }
served() { "$FRAMES" "$1" 0 >/dev/null 2>&1; }

# The script the capture test runs both ways; frames.c runs the same.
SCRIPT="open up stop down-left lens-stop right up-right zoom-in zoom-out focus-near focus-far
iris-open iris-close iris-auto preset-set 7 preset-goto 12 preset-clear 3 autopan on autopan off
power on lamp off aux on scan-no 2 scan 0 speed zoom up speed tilt down code 18 up-left close"

test_capture() {
    # Every protocol the library serves, at two addresses: the tool's
    # capture equals the same script run straight through the exports.
    for index in $(seq 0 60); do
        for address in 37; do
            fresh_windir
            if ! "$FRAMES" "$index" "$address" >expected 2>&1; then
                # Not served: the tool must say so, not print packets.
                # shellcheck disable=SC2086
                "$TOOL" capture "$index" "$address" up >out 2>err
                same "capture $index: exit when not served" 1 $?
                has "capture $index: not served" err "is not available in this build"
                break
            fi
            fresh_windir
            # shellcheck disable=SC2086
            # Standard output only: presets a protocol cannot name bring warnings.
            "$TOOL" capture "$index" "$address" $SCRIPT >actual 2>err
            if cmp -s expected actual; then ok; else
                fail "capture of protocol $index at address $address differs from the exports"
                diff expected actual | head -10 >&2
            fi
        done
    done

    # Pelco-D frames worked out by hand from its wire format: sync, address,
    # two command bytes, pan and tilt speed, sum of bytes 1..5.
    while IFS='|' read -r name args want; do
        # shellcheck disable=SC2086
        got=$("$TOOL" capture $args | tail -n 1 | bytes_of)
        same "$name" "$want" "$got"
    done <<'EOF'
up at 1|pelco-d 1 up|FF 01 00 08 33 33 6F
stop keeps the speeds|Pelco-D 1 up stop|FF 01 00 00 33 33 67
check byte wraps at 255|6 255 up|FF FF 00 08 33 33 6D
preset 5 at 2|6 2 preset-goto 5|FF 02 00 07 00 05 0E
dialect stop clears data|pelco-d(d 1 up stop|FF 01 00 00 00 00 01
TBT special goto|pelco-d(tbt) 1 code 18|FF 01 00 07 00 21 29
zoom speed frame|PELCOD 1 speed zoom up|FF 01 00 25 00 03 29
pan speed sends nothing|6 1 speed pan up|(no packet)
hex address|6 0x10 up|FF 10 00 08 33 33 7E
EOF

    line=$("$TOOL" capture 6 1 up)
    same "capture line layout" "up                         7  FF 01 00 08 33 33 6F" "$line"

    # The list: 61 rows, names as the library gives them (a comma inside),
    # capability sets as it answers them.
    "$TOOL" list >out
    same "list rows" 62 "$(wc -l <out)"
    has "list: Pelco-D" out "    6  Pelco-D                yes     yes        yes"
    has "list: TBT preset only" out "   57  Pelco-D(TBT)           yes     -          -"
    "$TOOL" list --json >out
    has "list --json" out '{"index": 28, "name": "DRX502A,DSC-230S", "preset": true, "autoScan": false, "speed": true},'
    same "list --json closes" "]" "$(tail -n 1 out)"
}

test_identify() {
    "$TOOL" identify --stats FF 01 00 08 33 33 6F >out 2>err
    same "identify up: exit" 0 $?
    has "identify up: Pelco-D" out "= Pelco-D (6)                 address 1    up"
    cat err >&2  # the build time, for the log
    # The same frame is up in every dialect: all are candidates.
    for p in 42 57; do
        if served "$p"; then like "identify up: candidate $p" out "^  = .*\\($p\\) +address 1 +up$"; fi
    done

    echo "0xff,0x01:00 08 3333 6f" | "$TOOL" identify >stdin_out
    same "identify from standard input" "$(cat out)" "$(cat stdin_out)"

    # Every protocol the library serves: what capture prints for a freshly
    # opened object, identify names with its protocol, address and action.
    : >packets
    : >expected
    "$TOOL" list >list
    for index in $(seq 0 60); do
        name=$(sed -n "s/^ *$index  \(.\{21\}\).*/\1/p" list | sed 's/ *$//')
        # Not served: capture prints nothing.
        "$TOOL" capture "$index" 5 open up open zoom-in open preset-goto 3 open iris-open 2>/dev/null |
            while IFS= read -r line; do
                action=$(echo "$line" | cut -c1-24 | sed 's/ *$//')
                bytes=$(echo "$line" | bytes_of)
                case "$bytes" in "(no packet)" | "(nothing captured)") continue ;; esac
                echo "$bytes" >>packets
                echo "$bytes|$name ($index)|5|$action" >>expected
            done
    done
    "$TOOL" identify --max 100000 <packets >named
    awk '
        /^[^ ]/ { head = $0; sub(/^bytes [0-9]+-[0-9]+: /, "", head); next }
        /^  = / {
            line = substr($0, 5); i = index(line, " address ")
            label = substr(line, 1, i - 1); sub(/ +$/, "", label)
            rest = substr(line, i + 9); addr = rest; sub(/ .*/, "", addr)
            acts = substr(rest, length(addr) + 1); sub(/^ +/, "", acts)
            n = split(acts, a, ", ")
            for (k = 1; k <= n; k++) print head "|" label "|" addr "|" a[k]
        }' named >found
    while IFS= read -r want; do
        if grep -Fxq -- "$want" found; then ok; else fail "identify does not name $want"; fi
    done <expected

    # The demo's stream: five packets, the stop and zoom carrying the speed
    # bytes kept from up, named as what follows up.
    "$TOOL" identify FF 01 00 08 33 33 6F FF 01 00 00 33 33 67 FF 01 00 20 33 33 87 \
        FF 01 00 00 33 33 67 FF 01 00 07 00 05 0D >out
    same "stream: five packets" 5 "$(grep -c '^bytes ' out)"
    has "stream: stop after up" out "Pelco-D (6)                 address 1    stop (after up)"
    has "stream: zoom after stop" out "zoom-in (after stop)"
    has "stream: preset 5" out "address 1    preset-goto 5"

    # A preset number outside the index is found by the deeper search.
    "$TOOL" identify FF 01 00 07 00 25 2D >out
    has "preset 37" out "= Pelco-D (6)                 address 1    preset-goto 37"

    # One noise byte between two frames: skipped and said so, the stop
    # still named as what follows up, nothing made of the bytes inside it;
    # not every byte is accounted for, so the exit status is 1.
    "$TOOL" identify FF 01 00 08 33 33 6F 55 FF 01 00 00 33 33 67 >out
    same "noise: exit" 1 $?
    has "noise: the byte" out "bytes 7-7: 55"
    has "noise: said so" out "  noise: no exact match"
    has "noise: resynchronised" out "Pelco-D (6)                 address 1    stop (after up)"
    if grep -q "Lilin" out; then fail "noise: a frame made of bytes inside another"; else ok; fi
    "$TOOL" identify FF 01 00 08 33 33 6F FF 01 >out
    same "cut frame: exit" 1 $?
    has "cut frame: incomplete" out "bytes 7-8: FF 01"
    has "cut frame: said so" out "  incomplete:"
    # Lilin has no check byte: named, and labelled as unconfirmed.
    "$TOOL" identify --max 2 01 00 00 >out
    same "unconfirmed: exit" 0 $?
    has "unconfirmed: said so" out "unconfirmed: no check byte confirms this match"
    has "--max limits actions per line" out "address 1    iris-open, iris-close, ... and 5 more"

    "$TOOL" identify FF 01 00 09 33 33 70 >out
    same "near: exit" 1 $?
    has "near: says so" out "no exact match; nearest:"
    has "near: best first" out "~ Pelco-D (6)                 address 1    up,"
    "$TOOL" identify --max 1 FF 01 00 08 33 33 6F >out
    if served 42; then like "--max 1" out "^  \.\.\. and [0-9]+ more$"; fi

    # No speed file in a current directory that has config/, no scratch
    # left behind, and nothing written to the Windows directory we gave:
    # a running recorder's Dyna and Serim state stays as it was.
    mkdir -p cwd/config tmp
    fresh_windir
    (cd cwd && TMPDIR="$work/tmp" "$TOOL" identify FF 01 00 08 33 33 6F >/dev/null)
    same "identify writes no speed file" "" "$(ls cwd/config)"
    same "identify leaves no scratch" "" "$(ls tmp)"
    (unset TREVALO_WINDIR; cd cwd && TMPDIR="$work/tmp" "$TOOL" identify FF 01 00 08 33 33 6F >/dev/null)
    same "identify without TREVALO_WINDIR leaves no scratch" "" "$(ls tmp)"
    printf '0d\r\n' >"$TREVALO_WINDIR/DynaPT.log"
    printf '\001\002\003\004' >"$TREVALO_WINDIR/PTINI.INI"
    before=$(cd "$TREVALO_WINDIR" && ls -l --time-style=+%s.%N && cksum DynaPT.log PTINI.INI)
    "$TOOL" identify 5B 00 08 33 33 6F 55 00 FF 01 00 00 33 33 67 >/dev/null
    printf '5B 00 08\n01 02 03\n' | "$TOOL" identify >/dev/null
    same "identify leaves the host's files alone" "$before" \
        "$(cd "$TREVALO_WINDIR" && ls -l --time-style=+%s.%N && cksum DynaPT.log PTINI.INI)"
}

test_errors() {
    printf 'x' >notatty
    export TREVALO_COM9="$work/missing"
    # Each row: exit code | stderr must contain | arguments. Every error is
    # one line on standard error and nothing on standard output.
    while IFS='|' read -r code want args; do
        # shellcheck disable=SC2086
        eval "set -- $args"
        "$TOOL" "$@" >out 2>err
        rc=$?
        same "$args: exit" "$code" "$rc"
        same "$args: one line" 1 "$(wc -l <err)"
        same "$args: no output" "" "$(cat out)"
        has "$args: message" err "$want"
    done <<'EOF'
2|unknown protocol "nosuch"|capture nosuch 1 up
2|ambiguous protocol "pel": Pelco-D (6), Pelco-D(D-Max,Cynix) (42)|capture pel 1 up
2|unknown action "jump"|capture 6 1 jump
2|bad number "x" for address|capture 6 x up
2|address 256 is out of range 0..255|capture 6 256 up
2|protocol index 61 is out of range|capture 61 1 up
2|preset-goto needs a number|capture 6 1 preset-goto
2|bad number "five" for preset-goto|capture 6 1 preset-goto five
2|speed axis must be|capture 6 1 speed warp up
2|autopan takes on or off|capture 6 1 autopan maybe
2|"up" after close|capture 6 1 close up
2|capture needs PROTOCOL ADDRESS ACTION|capture 6 1
2|unknown option --nope|capture --nope 6 1 up
2|send needs --port|send 6 1 up
2|--baud 0 is out of range|send --port COM1 --baud 0 6 1 up
2|--parity must be one of|send --port COM1 --parity X 6 1 up
2|monitor needs --port|monitor
2|bad hex byte|identify ZZ
2|unknown command "fly"|fly
1|no such port: /nonexistent/tty|send --port /nonexistent/tty 6 1 up
1|cannot open COM1 (./notatty): not a tty|send --port ./notatty 6 1 up
1|): No such file or directory|send --port COM9 6 1 up
1|(/dev/ttyS199): No such file or directory (no TREVALO_COM200 or TREVALO_PORTMAP)|send --port COM200 6 1 up
1|cannot open COM1 (./notatty): not a tty|monitor --port ./notatty
EOF
    "$TOOL" send --port COM9 6 1 up >out 2>err
    has "COM9: the device" err "cannot open COM9 ($work/missing)"
    TREVALO_PORTMAP=/nonexistent/ports "$TOOL" monitor --port COM200 >out 2>err
    has "port map missing" err "no TREVALO_COM200, and TREVALO_PORTMAP file /nonexistent/ports not found"
    echo "COM1=/dev/null" >ports
    TREVALO_PORTMAP="$work/ports" "$TOOL" send --port COM200 6 1 up >out 2>err
    has "port map without the port" err "no TREVALO_COM200, and no COM200 in TREVALO_PORTMAP file $work/ports"

    # Warnings go to standard error; the run goes on. Each row: what
    # stderr must contain (nothing: stderr is empty) | arguments.
    while IFS='|' read -r want args; do
        # shellcheck disable=SC2086
        "$TOOL" $args >out 2>err
        same "$args: exit" 0 $?
        same "$args: a packet" 1 "$(wc -l <out)"
        if [ -z "$want" ]; then same "$args: no warning" "" "$(cat err)"; else has "$args: warning" err "$want"; fi
    done <<'EOF'
|capture pelco-d 1 preset-goto 255
warning: Pelco-D (6) cannot name preset 300: preset-goto 300 sends the packet of preset 44|capture pelco-d 1 preset-goto 300
cannot name preset 100: preset-set 100 sends nothing|capture kalatel 1 preset-set 100
|capture kalatel 1 preset-set 99
EOF
    "$TOOL" identify </dev/null >out 2>err
    same "identify without bytes: exit" 2 $?
    has "identify without bytes: message" err "identify needs hex bytes"

    for cmd in list capture send identify monitor; do
        "$TOOL" "$cmd" --help >out 2>&1
        same "$cmd --help: exit" 0 $?
        has "$cmd --help: usage" out "usage: trevalo $cmd"
    done
}

test_serial() {
    # What send puts on the line is what capture prints for the same
    # script (Pelco-D writes each frame once).
    script="up stop zoom-in stop preset-goto 5"
    # shellcheck disable=SC2086
    want=$("$TOOL" capture pelco-d 1 $script | bytes_of | tr '\n' ' ' | sed 's/ $//')
    # shellcheck disable=SC2086
    "$PTYLINE" -- "$TOOL" send --port COM1 pelco-d 1 $script >out 2>err
    same "send over a pty: exit" 0 $?
    same "send over a pty delivers the frames" "$want" "$(tail -n 1 out)"
    has "send: progress" err "[3/5] zoom-in"

    "$PTYLINE" -- "$TOOL" send --port @PTY@ --quiet --baud 19200 --parity e 6 2 down >out 2>err
    same "send by device path" "FF 02 00 10 33 33 78" "$(tail -n 1 out)"
    same "send --quiet" "" "$(cat err)"
    "$PTYLINE" -- "$TOOL" send --port @PTY@ --quiet --baud 14400 6 2 down >out 2>err
    same "send at 14400: no warning" "" "$(cat err)"
    "$PTYLINE" -- "$TOOL" send --port @PTY@ --quiet --baud 115200 6 2 down >out 2>err
    same "send at 115200: sent all the same" "FF 02 00 10 33 33 78" "$(tail -n 1 out)"
    has "send at 115200: warning" err "warning: the library cannot set 115200 baud; the line runs at 9600"

    start=$(date +%s%N)
    "$PTYLINE" -- "$TOOL" send --port COM1 --quiet --hold 300 6 1 up stop up >/dev/null
    took=$((($(date +%s%N) - start) / 1000000))
    if [ "$took" -ge 600 ]; then ok; else fail "--hold 300 between 3 actions took only $took ms"; fi

    # A device that keeps sending up until the monitor has seen it.
    "$PTYLINE" --write "FF 01 00 08 33 33 6F" --delay 200 --every 300 -- \
        "$TOOL" monitor --port COM1 --bytes 7 --identify >out 2>err
    same "monitor: exit" 0 $?
    if grep -Eq '^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}  FF 01 00 08 33 33 6F$' out; then ok; else
        fail "monitor: timestamped bytes"
        sed 's/^/  | /' out >&2
    fi
    has "monitor: identified" out "= Pelco-D (6)                 address 1    up"

    # Two frames in one burst arrive in pieces of at most 10 bytes; the
    # burst is put together again and split into its packets.
    "$PTYLINE" --write "FF 01 00 08 33 33 6F FF 01 00 00 33 33 67" --delay 200 --every 500 -- \
        "$TOOL" monitor --port COM1 --bytes 14 --identify --gap 100 >out 2>err
    has "monitor: first of two" out "bytes 0-6: FF 01 00 08 33 33 6F"
    has "monitor: stop after up" out "= Pelco-D (6)                 address 1    stop (after up)"

    # The monitor listens only: a protocol that sends a packet when it
    # opens (Vicon's 80 50) puts nothing on the line.
    "$PTYLINE" -- "$TOOL" monitor --port COM1 --protocol 10 --duration 1 >out 2>err
    same "monitor: exit" 0 $?
    same "monitor sends nothing" "" "$(tail -n 1 out)"

    # A line that vanishes: the monitor and send say so and fail.
    start=$(date +%s)
    "$PTYLINE" --hangup 700 -- "$TOOL" monitor --port COM1 --duration 20 >out 2>err
    same "vanished line: monitor exit" 1 $?
    has "vanished line: monitor says so" err "lost the line COM1"
    if [ $(($(date +%s) - start)) -lt 15 ]; then ok; else fail "vanished line: the monitor ran on"; fi
    "$PTYLINE" --hangup 700 -- "$TOOL" send --port COM1 --hold 400 6 1 up stop up stop up >out 2>err
    same "vanished line: send exit" 1 $?
    has "vanished line: send says so" err "lost the line COM1"
    if grep -q "sent 5 actions" err; then fail "vanished line: send claims it sent everything"; else ok; fi

    # A port that another handle holds is busy.
    "$PTYLINE" -- sh -c "\"$TOOL\" monitor --port COM1 --duration 4 2>/dev/null &
        sleep 1.5; \"$TOOL\" send --port COM1 6 1 up 2>busy_err; echo rc=\$?; wait" >out
    has "busy port: exit" out "rc=1"
    has "busy port: message" busy_err "cannot open COM1"
    has "busy port: the system's reason" busy_err "Device or resource busy"
    same "busy port: one line" 1 "$(wc -l <busy_err)"
}

test_install() {
    prefix="$work/prefix"
    cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install"
    libdir=$(dirname "$(find "$prefix" -name 'libtrevalo.so.*.*.*' | head -n 1)")
    for f in include/trevalo.h include/trevalo_host.h include/trevalo_version.h bin/trevalo \
        share/man/man1/trevalo.1; do
        if [ -f "$prefix/$f" ]; then ok; else fail "installed $f"; fi
    done
    for f in libtrevalo.so libtrevalo.so.1 pkgconfig/trevalo.pc cmake/Trevalo/TrevaloConfig.cmake \
        cmake/Trevalo/TrevaloConfigVersion.cmake; do
        if [ -e "$libdir/$f" ]; then ok; else fail "installed $f in $libdir"; fi
    done
    same "soname" "libtrevalo.so.1" \
        "$(objdump -p "$libdir"/libtrevalo.so.*.*.* | awk '$1 == "SONAME" { print $2 }')"

    flags=""
    [ "${SANITIZE:-0}" = 1 ] && flags="-fsanitize=address,undefined"
    cat >hello.c <<'EOF'
#include <stdio.h>
#include <trevalo.h>
int main(void) {
    unsigned char buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    char name[TREVALO_NAME_MAX];
    SetPTInit();
    GetPtName(6, name);
    PtPortHandle* h = SetPtOpen_NET(6, 0, 1, buf, &len);
    SetPtCmd_NET(h, 0, PT_UP, buf, &len);
    printf("%s", name);
    for (int i = 0; i < len; ++i) printf(" %02X", buf[i]);
    printf("\n");
    SetPtClose_NET(h, 0, buf, &len);
    SetPTUnInit();
    return 0;
}
EOF
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    # shellcheck disable=SC2046,SC2086
    cc $flags -o hello hello.c $(pkg-config --cflags --libs trevalo) -Wl,-rpath,"$libdir" ||
        fail "build against the installed tree with pkg-config"
    same "pkg-config program runs" "Pelco-D FF 01 00 08 33 33 6F" "$(./hello)"
    same "pkg-config version" "$(sed -n 's/^#define TREVALO_VERSION_\(MAJOR\|MINOR\|PATCH\) *\([0-9]*\).*/\2/p' \
        "$SOURCE_DIR/include/trevalo_version.h" | paste -sd.)" \
        "$(pkg-config --modversion trevalo)"

    mkdir -p app
    cp hello.c app/
    cat >app/CMakeLists.txt <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(hello C)
find_package(Trevalo 1.0 REQUIRED)
add_executable(hello hello.c)
target_link_libraries(hello PRIVATE Trevalo::trevalo)
EOF
    if cmake -S app -B app/build -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="$flags" \
        -DCMAKE_BUILD_RPATH="$libdir" >app.log 2>&1 && cmake --build app/build >>app.log 2>&1; then
        same "find_package program runs" "Pelco-D FF 01 00 08 33 33 6F" "$(app/build/hello)"
    else
        fail "find_package(Trevalo) build"
        tail -n 20 app.log >&2
    fi

    same "installed tool finds its library" "FF 01 00 08 33 33 6F" \
        "$(env -u LD_LIBRARY_PATH "$prefix/bin/trevalo" capture 6 1 up | bytes_of)"
}

test_docs() {
    # The manual page and docs/cli.md name the commands and options the
    # tool has, no more and no fewer.
    man="$SOURCE_DIR/docs/trevalo.1"
    guide="$SOURCE_DIR/docs/cli.md"
    commands=$("$TOOL" --help | sed -n 's/^  \([a-z]*\)  .*/\1/p' | sort)
    same "commands in the tool's help" "capture identify list monitor send" "$(echo $commands)"
    same "man page SYNOPSIS commands" "$commands" \
        "$(sed -n '/^\.SH SYNOPSIS/,/^\.SH/s/^\.B trevalo \([a-z][a-z]*\)$/\1/p' "$man" | sort -u)"
    same "man page COMMANDS" "$commands" \
        "$(sed -n '/^\.SH COMMANDS/,/^\.SH/{/^\.TP/{n;s/^\.B \([a-z]*\)$/\1/p;}}' "$man" | sort -u)"
    same "cli.md synopsis commands" "$commands" \
        "$(sed -n '/^```$/,/^```$/s/^trevalo \([a-z][a-z]*\) .*/\1/p' "$guide" | sort -u)"
    options=$(for c in $commands; do "$TOOL" "$c" --help; done | grep -o -- '--[a-z][a-z-]*' |
        grep -v -- '--help' | sort -u)
    same "man page options" "$options" \
        "$(grep -o -- '\\-\\-[a-z][a-z\\-]*' "$man" | sed 's/\\//g' | grep -v -- '--help\|--version' | sort -u)"
    same "cli.md options" "$options" \
        "$(sed '/^## Trying it/q' "$guide" | grep -o -- '--[a-z][a-z-]*' | grep -v -- '--help\|--version\|--install' |
            sort -u)"
    if command -v groff >/dev/null; then
        groff -man -Tutf8 -ww -z "$man" 2>warn
        same "man page renders without warnings" "" "$(cat warn)"
    fi

    "$TOOL" --version >out 2>&1
    same "--version: exit" 0 $?
    want=$(sed -n 's/^#define TREVALO_VERSION_\(MAJOR\|MINOR\|PATCH\) *\([0-9]*\).*/\2/p' \
        "$SOURCE_DIR/include/trevalo_version.h" | paste -sd.)
    same "--version names tool and library" "trevalo $want (library $want)" "$(cat out)"
    has "CHANGELOG names the version" "$SOURCE_DIR/CHANGELOG.md" "## $want"
}

test_examples() {
    # The capture demo prints Pelco-D's frames.
    "$DEMO" >out 2>&1
    same "demo: exit" 0 $?
    has "demo: up" out "up             FF 01 00 08 33 33 6F   (7 bytes)"
    has "demo: preset" out "preset goto 5  FF 01 00 07 00 05 0D   (7 bytes)"

    # The serial host on a pty: its frames reach the far end, and what the
    # camera sends back reaches its receiver.
    "$PTYLINE" --write "FF 01 00 00 00 00 01" --delay 100 --every 200 -- "$SERIAL_HOST" >out 2>err
    same "serial host: exit" 0 $?
    same "serial host: frames on the line" \
        "FF 01 00 08 33 33 6F FF 01 00 00 33 33 67 FF 01 00 20 33 33 87 FF 01 00 00 33 33 67 FF 01 00 07 00 05 0D" \
        "$(tail -n 1 out)"
    has "serial host: reply received" out "received: FF 01 00 00 00 00 01"
    TREVALO_COM7=/nonexistent/tty "$SERIAL_HOST" 7 >out 2>err
    same "serial host without its port: exit" 1 $?
    has "serial host without its port: message" err "cannot open COM7"
}

case "$group" in
    capture | identify | errors | serial | install | docs | examples) "test_$group" ;;
    *) echo "unknown group $group" >&2; exit 2 ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
