#!/usr/bin/env bash
# Layers point one way: tools -> public headers -> interface -> protocol(s)
# -> transport -> platform. Fails on any include that points back up.
set -uo pipefail
cd "$(dirname "$0")/../.."
bad=0
check() {  # check <dirs...> -- <forbidden include prefixes...>
  local dirs=() pats=() seen=0
  for a in "$@"; do
    if [ "$a" = -- ]; then seen=1; continue; fi
    if [ $seen = 0 ]; then dirs+=("$a"); else pats+=("$a"); fi
  done
  for p in "${pats[@]}"; do
    if grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$p/" "${dirs[@]}"; then bad=1; fi
  done
}
check protocol protocols transport platform -- interface
check transport platform -- protocol protocols
check platform -- transport
check tools -- interface protocol protocols transport platform
if [ $bad = 0 ]; then echo "layers: no include points back up"; else echo "layers: includes above point the wrong way"; exit 1; fi
