#!/usr/bin/env bash
# Idle cost of the backup service under Wine: CPU seconds per minute and resident memory of the process
# with 200 waiting scheduled workers and 50 interval workers, against the same process with none.
#   bench/run_idle_bench.sh [BUILD_DIR] [SECONDS]      (BUILD_DIR: a windows-preset build, default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
seconds=${2:-60}
warmup=5

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target idle_bench >/dev/null
run="$build/wine-run"
exe="$build/bench/idle_bench.exe"
export WINEPREFIX="$PWD/$build/wineprefix"
"$run" cmd /c exit 0 >/dev/null 2>&1 || true  # boots the prefix and its server before anything is timed
# This prefix's server: its working folder is named after the prefix's device and inode.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server=""
for candidate in $(pgrep -f wineserver); do
    case "$(readlink "/proc/$candidate/cwd")" in */"$server_dir") server=$candidate ;; esac
done
[ -n "$server" ] || { echo "no Wine server for $WINEPREFIX" >&2; exit 1; }
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }

measure() {  # scheduled interval
    local out
    out=$(mktemp)
    "$run" "$exe" "$1" "$2" $((seconds + warmup + 5)) >"$out" 2>&1 &
    local pid=$!
    until grep -q ready "$out"; do sleep 0.2; done
    sleep "$warmup"
    local c0 s0 c1 s1
    c0=$(cpu "$pid"); s0=$(cpu "$server")
    sleep "$seconds"
    c1=$(cpu "$pid"); s1=$(cpu "$server")
    local rss threads
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    threads=$(awk '/Threads/ {print $2}' "/proc/$pid/status")
    wait "$pid"
    rm -f "$out"
    # CPU seconds per minute of the program and of the Wine server on its behalf, resident KiB, threads
    echo "$(echo "($c1 - $c0) * 60 / $seconds / $ticks" | bc -l) $(echo "($s1 - $s0) * 60 / $seconds / $ticks" | bc -l) $rss $threads"
}

read -r base_cpu base_server base_rss base_threads < <(measure 0 0)
read -r cpu_ server_ rss threads < <(measure 200 50)
printf 'no workers:            %.3f CPU s/min (wineserver %.3f), %d KiB resident, %d threads\n' \
    "$base_cpu" "$base_server" "$base_rss" "$base_threads"
printf '200 + 50 workers:      %.3f CPU s/min (wineserver %.3f), %d KiB resident, %d threads\n' \
    "$cpu_" "$server_" "$rss" "$threads"
extra=$(echo "($cpu_ + $server_) - ($base_cpu + $base_server)" | bc -l)
printf 'workers cost:          %.3f CPU s/min with the server = %.3f%% of one core (goal < 0.5%%), %+d KiB resident (goal < 16384)\n' \
    "$extra" "$(echo "$extra / 60 * 100" | bc -l)" $((rss - base_rss))
