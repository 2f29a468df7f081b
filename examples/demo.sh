#!/bin/sh
# The demo that needs no hardware. A pseudo-terminal pair stands for the
# RS-485 line: COM1 (TREVALO_COM1) points at one end, "trevalo send" opens
# Pelco-D there through SetPtOpen and sends a short script, ptyline plays
# the camera at the other end and prints what arrived, and
# "trevalo identify" names it.
#
#   sh examples/demo.sh [BUILD_DIR]     (default: build)
set -e
build=${1:-build}
tool="$build/tools/trevalo"
for f in "$tool" "$build/tools/ptyline"; do
    [ -x "$f" ] || { echo "demo: $f is missing; build first (cmake --build $build)" >&2; exit 1; }
done

echo "== Pelco-D, camera address 1, on COM1 (one end of a pseudo-terminal pair):"
echo "   up, stop, zoom-in, stop, preset-goto 5"
received=$("$build/tools/ptyline" --com 1 -- \
    "$tool" send --port COM1 --hold 100 pelco-d 1 up stop zoom-in stop preset-goto 5)
echo
echo "== Arrived at the far end:"
echo "   $received"
echo
echo "== trevalo identify $received"
# shellcheck disable=SC2086
"$tool" identify $received
