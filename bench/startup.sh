#!/usr/bin/env bash
# The shipped program against the minimal window program built with the same
# toolchain and options: stripped sizes (i686 and x86_64), and the time from
# process start until the window is mapped, for the i686 programs under
# wine32 on a bare X screen, in interleaved runs.
# Usage: startup.sh <build root> [runs, at least 21]
set -uo pipefail
if [ "${RPV_INNER_X:-}" != 1 ]; then
  RPV_INNER_X=1 exec "$(dirname "$0")/../tools/on-xvfb" --no-wm bash "$0" "$@"
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-session"
wine_session_start "$root" "$root/build/wineprefix-gui"
export LANG=en_US.UTF-8
build=$1
runs=$((${2:-21} < 21 ? 21 : ${2:-21}))
compare="$build/bench/bench/compare"
map_wait="$build/bench/bench/map_wait"

echo "Program size, stripped (target: at most 1.3 times the minimal window program)"
printf '%-8s %12s %12s %7s\n' arch shipped minimal ratio
for arch in mingw32 mingw64; do
  ours=$(stat -c %s "$build/$arch/app/ResetParametriVelto.exe")
  floor=$(stat -c %s "$build/$arch/bench/minimal_window.exe")
  printf '%-8s %10s B %10s B %7s\n' "$arch" "$ours" "$floor" \
    "$(awk -v a="$ours" -v b="$floor" 'BEGIN { printf "%.3f", a / b }')"
done

# Milliseconds from the start of the i686 program under wine32 until its
# window is mapped.
startup() {  # startup <exe> <title>
  "$map_wait" "$2" /usr/lib/wine/wine "$1" || echo "no window: $1" >&2
  sleep 0.2  # let Wine finish tearing the process down
}
# figure <work> <target> <ours exe> <ours title> <floor exe> <floor title>
# Runs alternate which program goes first; one warm-up run of each.
figure() {
  local work=$1 target=$2 a=$3 a_title=$4 b=$5 b_title=$6 i
  startup "$a" "$a_title" >/dev/null
  startup "$b" "$b_title" >/dev/null
  for i in $(seq "$runs"); do
    if [ $((i % 2)) -eq 0 ]; then
      printf '%s %s\n' "$(startup "$a" "$a_title")" "$(startup "$b" "$b_title")"
    else
      local second
      second=$(startup "$b" "$b_title")
      printf '%s %s\n' "$(startup "$a" "$a_title")" "$second"
    fi
  done | "$compare" "$work" "$target" ms "${7:-shipped}" "${8:-minimal}"
}

echo
echo "Start-up until the window is mapped, i686 under wine32, $runs interleaved runs (target: at most 1.1)"
figure "i686 start-up" 1.1 \
  "$build/mingw32/app/ResetParametriVelto.exe" 'Reset Parametri Velto Professional' \
  "$build/mingw32/bench/minimal_window.exe" 'Minimal window'
