#!/usr/bin/env bash
# The real reset program under wine64 and Xvfb, driven with xdotool, with the
# registry checked by Wine's own reg.exe afterwards.
# Usage: reset_window.sh <ResetParametriVelto.exe> <screenshot folder>
set -uo pipefail
if [ "${RPV_INNER_X:-}" != 1 ]; then
  # A screen of its own: 1024 x 768 at 96 dots per inch.
  RPV_INNER_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash "$0" "$@"
fi
source "$(dirname "$0")/wine_env.sh"
source "$here/../../tools/wine-session"
wine_session_start "$here/../.." "$here/../../build/wineprefix-gui"
exe=$1
shots=$2
mkdir -p "$shots"
caption='Reset Parametri Velto Professional'
base='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Tovrik\Velto Professional 7'
sections=(EpiLim Fep Fep2 OrigineDati Parametri Periodi Progettista Settings Stampa TipoTarga U Variabili)

arrange() {
  "$wine_run" reg delete 'HKCU\Software\VB and VBA Program Settings\Tovrik' /f >/dev/null 2>&1
  local file
  file=$(mktemp --suffix=.reg)
  {
    echo 'REGEDIT4'
    echo
    echo "[$base]"
    echo '"BaseValue"=dword:00000001'
    echo "[$base\\Altro]"
    echo '"Kept"="si"'
    for section in "${sections[@]}"; do
      echo "[$base\\$section]"
      echo "\"Valore\"=\"$section\""
      echo '"Numero"=dword:0000002a'
    done
    echo "[$base\\Stampa\\Sotto]"
    echo '"Figlio"="x"'
  } >"$file"
  "$wine_run" reg import "$(winepath_of "$file")" >/dev/null 2>&1 || fail "reg import"
  rm -f "$file"
}

# The visible top-level windows titled with the caption.
windows() { xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null; }
# wait_windows <count>: until that many are visible (30 s at most: a cold
# Wine start can be slow).
wait_windows() {
  for _ in $(seq 300); do
    [ "$(windows | wc -l)" -eq "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
start() {
  "$wine_run" "$exe" >/dev/null 2>&1 &
  pid=$!
  wait_windows 1 || fail "the window did not appear"
  main=$(windows | head -1)
}
# ended: the program's process is gone within 10 s.
ended() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 1
}
press() {  # press <window> <keys...>
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.2
  xdotool key "$@"
}
section_survives() {
  local state=$1 section=$2
  if grep -qxF "[$base\\$section]" <<<"$tree"; then
    [ "$state" = kept ] && pass "$section kept" || fail "$section should be gone"
  else
    [ "$state" = gone ] && pass "$section deleted" || fail "$section should be kept"
  fi
}
untouched() {
  tree=$(export_key "$base")
  for section in "${sections[@]}" Altro; do section_survives kept "$section"; done
  expect_line "$base" '"BaseValue"=dword:00000001'
}

echo "--- Reset parametri, then Yes"
arrange
start
read -r width height < <(xdotool getwindowgeometry --shell "$main" | awk -F= '/WIDTH|HEIGHT/ {printf "%s ", $2}')
read -r x y < <(xdotool getwindowgeometry --shell "$main" | awk -F= '/^X|^Y/ {printf "%s ", $2}')
[ "$width" = 439 ] && [ "$height" = 169 ] && pass "client area 439 x 169" || fail "client area ${width} x ${height}"
# The frame is symmetric left and right; the title bar lifts the client area.
dx=$((2 * x + width - 1024))
dy=$((2 * y + height - 768))
[ "$dx" -ge -2 ] && [ "$dx" -le 2 ] && pass "centred across (x $x)" || fail "not centred across: x $x"
[ "$dy" -ge 0 ] && [ "$dy" -le 40 ] && pass "centred down (y $y)" || fail "not centred down: y $y"
import -window root "$shots/window.png"
press "$main" Return  # Reset parametri has the focus
if wait_windows 2; then pass "the confirmation is up"; else fail "no confirmation"; fi
import -window root "$shots/confirmation.png"
box=$(windows | grep -v "^$main\$" | head -1)
press "$box" y
if ended; then pass "the program ended after Yes"; else fail "still running after Yes"; fi
tree=$(export_key "$base")
for section in "${sections[@]}"; do
  if [ "$section" = Stampa ]; then section_survives kept Stampa; else section_survives gone "$section"; fi
done
section_survives kept 'Stampa\Sotto'
section_survives kept Altro
expect_line "$base" '"BaseValue"=dword:00000001'

echo "--- Reset parametri, then No, then Annulla"
arrange
start
press "$main" Return
wait_windows 2 || fail "no confirmation"
box=$(windows | grep -v "^$main\$" | head -1)
press "$box" n
if wait_windows 1 && kill -0 "$pid" 2>/dev/null; then pass "the window stays after No"; else fail "the window went away after No"; fi
untouched
press "$main" Tab space  # Annulla
if ended; then pass "Annulla ended the program"; else fail "still running after Annulla"; fi
untouched

echo "--- Esc"
start
press "$main" Escape
if ended; then pass "Esc ended the program"; else fail "still running after Esc"; fi
untouched

echo "--- Closing the window by its frame"
start
press "$main" alt+F4
if ended; then pass "closing the window ended the program"; else fail "still running after closing"; fi
untouched

"$wine_run" reg delete 'HKCU\Software\VB and VBA Program Settings\Tovrik' /f >/dev/null 2>&1
echo "screenshots: $shots/window.png, $shots/confirmation.png"
finish
