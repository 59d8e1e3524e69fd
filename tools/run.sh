#!/usr/bin/env bash
# Builds the Windows programs and starts Corvallo under Wine. Without a display, a virtual one
# (Xvfb) is started for it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset windows
cmake --build --preset windows

program="build/windows/Corvallo.exe"
if [ ! -f "$program" ]; then
  echo "run.sh: $program is not built yet; the command-line companion is: build/windows/corvctl.exe" >&2
  exec build/windows/wine-run build/windows/corvctl.exe tasks "$@"
fi

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:47
  Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
  trap 'kill $! 2>/dev/null || true' EXIT
  sleep 1
fi
build/windows/wine-run explorer /desktop=shell,1024x768 "$program" "$@"
