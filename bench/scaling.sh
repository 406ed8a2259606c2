#!/usr/bin/env bash
# Costs that grow with the work, side by side: the in-memory registry
# (natively) and advapi32 under wine64, deleting 1,000 to 100,000 values one
# by one and listing 1,000 to 50,000 sub-keys from the first and from the
# last, in interleaved rounds. Figures, not tests.
# Usage: scaling.sh <build root> [rounds, at least 3] [largest, 100000]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-session"
wine_session_start "$root" "$root/build/wineprefix"
build=$1
rounds=$((${2:-3} < 3 ? 3 : ${2:-3}))
largest=${3:-100000}
compare="$build/bench/bench/compare"
work=$(mktemp -d)
rpv_on_exit "rm -rf $work"
for round in $(seq 1 "$rounds"); do
  if ((round % 2)); then
    "$build/bench/bench/bench_scaling" "$largest" >"$work/memory"
    "$root/tools/wine-run" "$build/mingw64/bench/bench_scaling.exe" "$largest" | tr -d '\r' >"$work/wine"
  else
    "$root/tools/wine-run" "$build/mingw64/bench/bench_scaling.exe" "$largest" | tr -d '\r' >"$work/wine"
    "$build/bench/bench/bench_scaling" "$largest" >"$work/memory"
  fi
  [ -s "$work/wine" ] || { echo "the Windows program printed nothing"; exit 1; }
  # One file per figure, one round per line: "<in-memory> <advapi32>".
  paste -d' ' "$work/memory" "$work/wine" | while read -r what entries memory _ _ wine; do
    echo "$memory $wine" >>"$work/$what-$entries"
  done
done
echo "$rounds rounds (target: the in-memory registry no slower than advapi32 under Wine)"
first=1
while read -r what entries _; do
  if [ "$first" = 1 ]; then
    "$compare" "$what $entries" 1.0 s "in-memory" "advapi32 (Wine)" <"$work/$what-$entries"
    first=0
  else
    "$compare" "$what $entries" 1.0 s <"$work/$what-$entries"
  fi
done <"$work/memory"
# Linear: the cost of one entry, at each size.
echo "per entry, in-memory registry (median of the rounds):"
while read -r what entries _; do
  sort -n -k1,1 "$work/$what-$entries" | awk -v w="$what" -v n="$entries" \
    '{ a[NR] = $1 } END { printf "  %-15s %7d  %.3f us\n", w, n, a[int((NR + 1) / 2)] / n * 1e6 }'
done <"$work/memory"
