#!/usr/bin/env bash
# Runs the Windows test host under Wine for CTest, in a private prefix made
# once per test run (the "prefix" step) and removed at the end ("cleanup").
#
#   wine-test.sh prefix  <prefix> <wine64> <wineserver>
#   wine-test.sh host    <prefix> <wine> <wineserver> <TrevaloHost.exe> <Trevalo.dll> <mode> [args...]
#   wine-test.sh peer    <prefix> <wine> <wineserver> <WinePeer> serial|net <TrevaloHost.exe> <Trevalo.dll>
#   wine-test.sh cleanup <prefix> <wineserver>
#   wine-test.sh dump    <trevalo_tests> <vector file>
#   wine-test.sh skip    <reason...>
set -uo pipefail

# Quiet, no Mono/Gecko installers, and no display: the null graphics driver
# still gives real windows and messages, only nothing is drawn.
wine_env() {
  export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
}

# Unix paths as the Windows side spells them (Wine maps Z: to /).
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

mode=$1; shift
case "$mode" in
  prefix)
    prefix=$1 wine=$2 server=$3
    [ -d "$prefix" ] && { WINEPREFIX="$prefix" "$server" -k 2>/dev/null; rm -rf "$prefix"; }
    mkdir -p "$(dirname "$prefix")"
    wine_env "$prefix"
    start=$(date +%s)
    log="$prefix.log"
    "$wine" wineboot --init >"$log" 2>&1 || { cat "$log"; echo "wineboot failed"; exit 1; }
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1 ||
      { cat "$log"; echo "reg add failed"; exit 1; }
    "$server" -w
    echo "Wine prefix $prefix ready in $(( $(date +%s) - start )) s ($("$wine" --version 2>/dev/null))"
    ;;
  host)
    prefix=$1 wine=$2 server=$3 exe=$4 dll=$5; shift 5
    wine_env "$prefix"
    # A server started here holds none of CTest's output pipes, so the test
    # ends when the host does.
    "$server" </dev/null >/dev/null 2>&1
    exec "$wine" "$(winpath "$exe")" "$(winpath "$dll")" "$@" </dev/null
    ;;
  peer)
    prefix=$1 wine=$2 server=$3 peer=$4 what=$5 exe=$6 dll=$7
    wine_env "$prefix"
    exec "$peer" "$what" "$wine" "$server" "$exe" "$dll" </dev/null
    ;;
  cleanup)
    prefix=$1 server=$2
    WINEPREFIX="$prefix" "$server" -k 2>/dev/null
    WINEPREFIX="$prefix" "$server" -w 2>/dev/null
    rm -rf "$prefix" "$prefix.log"
    echo "Wine prefix removed"
    ;;
  dump)
    tests=$1 file=$2
    mkdir -p "$(dirname "$file")"
    rm -f "$file"
    TREVALO_VECTOR_FILE="$file" "$tests" --gtest_brief=1 >"$file.log" 2>&1 ||
      { cat "$file.log"; echo "the Linux suite failed; its rows are not replayed"; exit 1; }
    rows=$(grep -c '^row' "$file" 2>/dev/null || true)
    [ "${rows:-0}" -gt 0 ] || { echo "no rows written to $file"; exit 1; }
    echo "$rows capture rows written to $file"
    ;;
  skip)
    echo "Windows DLL tests skipped: $*"
    exit 77
    ;;
  *)
    echo "unknown mode $mode"; exit 2 ;;
esac
