#!/usr/bin/env bash
# The reset program against the minimal window program built with the same
# toolchain and options: stripped sizes (i686 and x86_64), and under wine64
# and Xvfb the time from process start until the window is mapped (median).
# Usage: startup.sh <build root> [runs]
set -uo pipefail
if [ "${RPV_INNER_X:-}" != 1 ]; then
  RPV_INNER_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash "$0" "$@"
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-session"
wine_session_start "$root" "$root/build/wineprefix-gui"
build=$1
runs=${2:-9}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "" : "MISSED" }'; }

echo "Program size, stripped (target: at most 1.3 times the minimal window program)"
printf '%-8s %12s %12s %7s\n' arch reset minimal ratio
for arch in mingw32 mingw64; do
  ours=$(stat -c %s "$build/$arch/app/ResetParametriVelto.exe")
  floor=$(stat -c %s "$build/$arch/bench/minimal_window.exe")
  r=$(ratio "$ours" "$floor")
  printf '%-8s %10s B %10s B %7s %s\n' "$arch" "$ours" "$floor" "$r" "$(verdict "$r" 1.3)"
done

# Milliseconds from start until a visible window with this title exists.
startup() {
  local exe=$1 title=$2 start end pid
  start=$(date +%s%N)
  "$root/tools/wine-run" "$exe" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 2000); do
    xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && break
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours_times=() floor_times=()
for _ in $(seq "$runs"); do  # alternate, so both see the same machine
  ours_times+=("$(startup "$build/mingw64/app/ResetParametriVelto.exe" 'Reset Parametri Velto Professional')")
  floor_times+=("$(startup "$build/mingw64/bench/minimal_window.exe" 'Minimal window')")
done
ours=$(printf '%s\n' "${ours_times[@]}" | median)
floor=$(printf '%s\n' "${floor_times[@]}" | median)
r=$(ratio "$ours" "$floor")
echo "Start-up until the window is mapped, wine64 + Xvfb, median of $runs (target: at most 1.1)"
printf '%-8s %10s ms %10s ms %7s %s\n' x86_64 "$ours" "$floor" "$r" "$(verdict "$r" 1.1)"
