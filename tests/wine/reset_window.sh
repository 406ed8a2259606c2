#!/usr/bin/env bash
# The real reset program under Wine, on a screen of its own with a window
# manager, driven with xdotool; the registry is checked by Wine's own reg.exe
# afterwards. The window is looked at in 96 and 144 dots per inch.
# Usage: reset_window.sh <ResetParametriVelto.exe> <window_probe.exe> <screenshot folder>
set -uo pipefail
if [ "${RPV_INNER_X:-}" != 1 ]; then
  RPV_INNER_X=1 exec "$(dirname "$0")/../../tools/on-xvfb" bash "$0" "$@"
fi
source "$(dirname "$0")/wine_env.sh"
source "$here/../../tools/wine-session"
# Windowed programs need a prefix whose first program started on this screen.
wine_session_start "$here/../.." "$WINEPREFIX-gui"
exe=$1
probe=$2
shots=$3
mkdir -p "$shots"
caption='Reset Parametri Velto Professional'
base='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Tovrik\Velto Professional 7'
sections=(EpiLim Fep Fep2 OrigineDati Parametri Periodi Progettista Settings Stampa TipoTarga U Variabili)
label='Questo applicazione effettua l'"'"'azzeramento di tutti i parametri di configurazione di Velto Professional\r\n\r\nPer proseguire occorre chiudere il programma Velto Professional.'

# The settings tree's top belongs to every program of its kind: it goes at
# the end only if this test made it.
vb='HKCU\Software\VB and VBA Program Settings'
key_exists "$vb" && vb_was_there=1 || vb_was_there=0

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
# How many times longer than natively the route of this run lets a program
# take (tools/i686-route: an emulated i686 route is slower to start).
scale=${RPV_WAIT_SCALE:-1}
# wait_windows <count>: until that many are visible (30 s at most on the
# native route: a cold Wine start can be slow).
wait_windows() {
  for _ in $(seq $((300 * scale))); do
    [ "$(windows | wc -l)" -eq "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# Starts the program; nothing else is checked unless its window is found.
start() {
  "$wine_run" "$exe" >/dev/null 2>&1 &
  pid=$!
  if ! wait_windows 1; then
    fail "the window did not appear"
    finish
  fi
  main=$(windows | head -1)
}
# ended: the program's process is gone within 10 s on the native route.
ended() {
  for _ in $(seq $((100 * scale))); do
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
  for section in "${sections[@]}"; do section_survives kept "$section"; done
  section_survives kept Altro
  expect_line "$base" '"BaseValue"=dword:00000001'
}

# look <dpi> <client width> <client height>: the window as the screen shows
# it and as Windows itself sees it, and a screenshot.
look() {
  local dpi=$1 width=$2 height=$3 x_width x_height
  read -r x_width x_height < <(xdotool getwindowgeometry --shell "$main" |
    awk -F= '/WIDTH|HEIGHT/ {printf "%s ", $2}')
  [ "$x_width x $x_height" = "$width x $height" ] && pass "$dpi dpi: client area $width x $height on screen" ||
    fail "$dpi dpi: client area $x_width x $x_height on screen, expected $width x $height"
  local seen
  seen=$("$wine_run" "$probe" | tr -d '\r')
  echo "$seen" | sed 's/^/     probe: /'
  local screen_w screen_h screen_dpi left top right bottom
  read -r _ screen_w screen_h screen_dpi <<<"$(grep '^screen ' <<<"$seen")"
  read -r _ left top right bottom <<<"$(grep '^window ' <<<"$seen")"
  if [ -z "$bottom" ] || [ -z "$screen_dpi" ]; then
    fail "$dpi dpi: the probe did not find the window"
    finish
  fi
  [ "$screen_dpi" = "$dpi" ] && pass "$dpi dpi: the program runs at $dpi dpi" ||
    fail "$dpi dpi: the program sees ${screen_dpi:-no} dpi"
  grep -qx "client $width $height" <<<"$seen" && pass "$dpi dpi: client area $width x $height for Windows" ||
    fail "$dpi dpi: client area for Windows: $(grep '^client' <<<"$seen")"
  # Left = (screen width - window width) / 2, top likewise, outer sizes
  # with frame and title bar, to the pixel.
  local dx=$((left + right - screen_w)) dy=$((top + bottom - screen_h))
  [ "${dx#-}" -le 1 ] && pass "$dpi dpi: centred across (left $left)" || fail "$dpi dpi: not centred across: left $left"
  [ "${dy#-}" -le 1 ] && pass "$dpi dpi: centred down (top $top)" || fail "$dpi dpi: not centred down: top $top"
  grep -qxF "label $label" <<<"$seen" && pass "$dpi dpi: the label's two paragraphs" ||
    fail "$dpi dpi: the label reads: $(grep '^label' <<<"$seen")"
  import -window root "$shots/window-$dpi.png"
}

# The screen's resolution for the programs started from now on.
dpi() { "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }

echo "--- 144 dpi: the window, then Annulla"
dpi 144
arrange
start
look 144 659 254
press "$main" Tab space  # Annulla
if ended; then pass "Annulla ended the program"; else fail "still running after Annulla"; fi
untouched

echo "--- 96 dpi: the window, Reset parametri, then Yes"
dpi 96
arrange
start
look 96 439 169
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
[ "$vb_was_there" = 1 ] || "$wine_run" reg delete "$vb" /f >/dev/null 2>&1
echo "screenshots: $shots/window-96.png, $shots/window-144.png, $shots/confirmation.png"
finish
