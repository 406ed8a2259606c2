#!/usr/bin/env bash
# The shipped program against the minimal window program built with the same
# toolchain and options: stripped sizes (i686 and x86_64), and the time from
# process start until the window is mapped, for the i686 programs under
# wine32 on a bare X screen. The start-up figure is taken apart with the
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
trap 'kill $resident 2>/dev/null; rm -rf "$times"; wine_session_end' EXIT
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
programs=("$build/mingw32/bench/minimal_window.exe" "$build/mingw32/bench/minimal_window_step1.exe"
  "$build/mingw32/bench/minimal_window_step2.exe" "$build/mingw32/bench/minimal_window_step3.exe"
  "$build/mingw32/app/ResetParametriVelto.exe")
titles=("$minimal" "$minimal" "$minimal" "$minimal" 'Reset Parametri Velto Professional')
count=${#programs[@]}

# Milliseconds from the start of program <i> under wine32 until its window is
# mapped, and the processor time it used until then, each appended to a file
# of its own.
run() {
  local wall cpu
  if read -r wall cpu < <("$map_wait" "${titles[$1]}" /usr/lib/wine/wine "${programs[$1]}"); then
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
echo "Start-up until the window is mapped, i686 under wine32, $rounds rounds (target: at most 1.1)"
paste "$times/4" "$times/0" | "$compare" "i686 start-up" 1.1 ms shipped minimal
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
