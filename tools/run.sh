#!/usr/bin/env bash
# Builds the Windows programs and starts Corvallo under Wine. Without a display, a virtual one
# (Xvfb) is started for it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset windows
cmake --build --preset windows

# Corvallo keeps its task and settings files beside itself, in build/windows/bin.
program="build/windows/bin/Corvallo.exe"

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:47
  Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
  trap 'kill $! 2>/dev/null || true' EXIT
  sleep 1
fi
build/windows/wine-run explorer /desktop=shell,1024x768 "$program" "$@"
