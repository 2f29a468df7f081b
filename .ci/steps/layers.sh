#!/usr/bin/env bash
# Layers point one way: nothing below interface/ includes from it, and a
# protocol file needs only the protocol base and its own helpers.
set -euo pipefail
cd "$(dirname "$0")/../.."
bad=$(grep -rn '#include "interface/' protocol protocols transport || true)
if [ -n "$bad" ]; then
  echo "includes into interface/ from a lower layer:"
  echo "$bad"
  exit 1
fi
echo "layers: no include into interface/ from protocol/, protocols/ or transport/"
