#!/usr/bin/env bash
# .reg files: the in-memory registry's import and export of a large file,
# side by side with Wine's reg import and reg export of the same file, in
# interleaved rounds. The file is a real HKEY_CURRENT_USER exported under
# Wine, grown to tens of thousands of values; it is made here, never kept.
# Figures, not tests. Usage: reg_file.sh <build root> [rounds, at least 5]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-session"
wine_session_start "$root" "$root/build/wineprefix"
build=$1
rounds=$((${2:-5} < 5 ? 5 : ${2:-5}))
bench="$build/bench/bench/reg_file_bench"
compare="$build/bench/bench/compare"
work=$(mktemp -d)
key='Software\ResetParametriVelto-bench'
rpv_on_exit "rm -rf $work; $root/tools/wine-run reg delete 'HKCU\\$key' /f >/dev/null 2>&1"
windows() { echo "Z:${1//\//\\}"; }
wine_reg() { "$root/tools/wine-run" reg "$@" >/dev/null 2>&1; }

wine_reg export HKCU "$(windows "$work/hkcu.reg")" /y
read -r values bytes < <("$bench" grow "$work/hkcu.reg" "$work/grown.reg" 50000)
echo "The file: HKEY_CURRENT_USER as Wine exports it ($(stat -c %s "$work/hkcu.reg") bytes), grown to"
echo "$values values in $bytes bytes ($((bytes / 1048576)) MiB)"

seconds() {  # seconds <command...>: its wall time
  local start=$EPOCHREALTIME
  "$@"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f", b - a }'
}
memory_round() {
  read -r memory_import memory_export memory_bytes _ < <("$bench" time "$work/grown.reg" "$key" "$work/memory.reg")
}
wine_round() {
  wine_import=$(seconds wine_reg import "$(windows "$work/grown.reg")")
  wine_export=$(seconds wine_reg export "HKCU\\$key" "$(windows "$work/wine.reg")" /y)
  wine_reg delete "HKCU\\$key" /f
}
for round in $(seq 1 "$rounds"); do
  if ((round % 2)); then memory_round; wine_round; else wine_round; memory_round; fi
  echo "$memory_import $wine_import" >>"$work/import"
  echo "$memory_export $wine_export" >>"$work/export"
done
echo
echo "Import and export of the file, $rounds rounds"
"$compare" "import" 0.1 s "in-memory" "reg import" <"$work/import"
"$compare" "export" 1.0 s <"$work/export"
echo "(targets: the import at least 10 times faster than reg import, the export as fast as"
echo "reg export)"
echo "Memory that the in-memory import took: $((memory_bytes / 1048576)) MiB for a file of" \
  "$((bytes / 1048576)) MiB ($(awk -v a="$memory_bytes" -v b="$bytes" 'BEGIN { printf "%.1f", a / b }') times the file)"
if cmp -s "$work/memory.reg" "$work/wine.reg"; then
  echo "Both exports of the key are the same bytes."
else
  echo "The two exports of the key differ."
fi
