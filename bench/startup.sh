#!/usr/bin/env bash
# The shipped program against the minimal window program built with the same
# toolchain and options: stripped sizes (i686 and x86_64), and the time from
# process start until the window is mapped, for the i686 programs under
# wine32 on a bare X screen. A start-up time is a figure of the program only
# where the host executes it natively: on the emulated i686 route
# (tools/i686-route) the x86_64 programs under wine64 are timed instead. The start-up figure is taken apart with the
# minimal program's steps towards the reset window (bench/minimal_window.cpp):
# all programs run in every round, in an order that rotates from round to
# round, and each is compared with the minimal program and with the step
# before it.
# Usage: startup.sh <build root> [rounds, at least 21]
set -uo pipefail
if [ "${RPV_INNER_X:-}" != 1 ]; then
  RPV_INNER_X=1 exec "$(dirname "$0")/../tools/on-xvfb" --no-wm bash "$0" "$@"
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-session"
i686_route_start "$root" || exit 1
wine_session_start "$root" "$root/build/wineprefix-gui"
export LANG=en_US.UTF-8
build=$1
rounds=$((${2:-21} < 21 ? 21 : ${2:-21}))
compare="$build/bench/bench/compare"
map_wait="$build/bench/bench/map_wait"
times=$(mktemp -d)
# As on a desktop, Wine's desktop process stays up between the runs: a
# resident window keeps it (it would otherwise end and start again).
/usr/lib/wine/wine64 notepad >/dev/null 2>&1 &
resident=$!
rpv_on_exit 'kill $resident 2>/dev/null; rm -rf "$times"'
sleep 2

echo "Program size, stripped (target: at most 1.3 times the minimal window program)"
printf '%-8s %12s %12s %7s\n' arch shipped minimal ratio
for arch in mingw32 mingw64; do
  ours=$(stat -c %s "$build/$arch/app/ResetParametriVelto.exe")
  floor=$(stat -c %s "$build/$arch/bench/minimal_window.exe")
  printf '%-8s %10s B %10s B %7s\n' "$arch" "$ours" "$floor" \
    "$(awk -v a="$ours" -v b="$floor" 'BEGIN { printf "%.3f", a / b }')"
done

minimal='Minimal window'
names=("minimal" "+ icon" "+ label in Arial" "+ buttons' font" "shipped")
arch=mingw32 loader=/usr/lib/wine/wine timed="i686 under wine32"
if [ "$RPV_I686_ROUTE_USED" = emulated ]; then
  echo
  echo "i686 start-up: not measured on this host: its i686 programs run under qemu-i386"
  echo "($RPV_I686_ROUTE_REASON), so the time would be the emulator's, not the program's."
  echo "The x86_64 programs under wine64 are timed instead."
  arch=mingw64 loader=/usr/lib/wine/wine64 timed="x86_64 under wine64"
fi
programs=("$build/$arch/bench/minimal_window.exe" "$build/$arch/bench/minimal_window_step1.exe"
  "$build/$arch/bench/minimal_window_step2.exe" "$build/$arch/bench/minimal_window_step3.exe"
  "$build/$arch/app/ResetParametriVelto.exe")
titles=("$minimal" "$minimal" "$minimal" "$minimal" 'Reset Parametri Velto Professional')
count=${#programs[@]}

# Milliseconds from the start of program <i> until its window is mapped, and
# the processor time it used until then, each appended to a file of its own.
run() {
  local wall cpu
  if read -r wall cpu < <("$map_wait" "${titles[$1]}" "$loader" "${programs[$1]}"); then
    echo "$wall" >>"$times/$1"
    echo "$cpu" >>"$times/$1.cpu"
  else
    echo "no window: ${programs[$1]}" >&2
  fi
  sleep 0.3  # let Wine finish tearing the process down
}
for i in $(seq 0 $((count - 1))); do run "$i"; done  # warm-up
rm -f "$times"/*
for round in $(seq 0 $((rounds - 1))); do
  for k in $(seq 0 $((count - 1))); do run $(((round + k) % count)); done
done

echo
echo "Start-up until the window is mapped, $timed, $rounds rounds (target: at most 1.1)"
paste "$times/4" "$times/0" | "$compare" "${timed%% *} start-up" 1.1 ms shipped minimal
# decompose <suffix>: each step against the minimal program and against the
# step before it.
decompose() {
  local x=$1 i
  paste "$times/1$x" "$times/0$x" | "$compare" "${names[1]}" 1.1 ms "with the step" "minimal"
  for i in $(seq 2 $((count - 1))); do
    paste "$times/$i$x" "$times/0$x" | "$compare" "${names[$i]}" 1.1 ms
  done
  paste "$times/1$x" "$times/0$x" | "$compare" "${names[1]}, its own cost" 1.1 ms "with the step" "before it"
  for i in $(seq 2 $((count - 1))); do
    paste "$times/$i$x" "$times/$((i - 1))$x" | "$compare" "${names[$i]}, its own cost" 1.1 ms
  done
}
echo
echo "Taken apart: the minimal program's steps towards the reset window, by the"
echo "time until the window is mapped"
decompose ""
echo
echo "and by the processor time each program used until then (its own work,"
echo "less disturbed by the other processes)"
decompose .cpu
