#!/usr/bin/env bash
# tools/check-pe holds the 32-bit program to Windows XP SP3: it passes the
# shipped program and refuses one that imports a later function.
# Usage: floor.sh <ResetParametriVelto.exe> <later_import.exe>
set -uo pipefail
check_pe="$(dirname "$0")/../../tools/check-pe"
failures=0
if "$check_pe" "$1" i686 >/tmp/floor-shipped.$$ 2>&1 &&
  grep -qx "ok   imports: none that came after Windows XP SP3" /tmp/floor-shipped.$$; then
  echo "ok   the shipped program imports nothing later than Windows XP SP3"
else
  cat /tmp/floor-shipped.$$
  echo "FAIL the shipped program"
  failures=1
fi
said=$("$check_pe" "$2" i686 2>&1)
status=$?
if [ "$status" -ne 0 ] &&
  grep -qx "FAIL imports: none that came after Windows XP SP3 (found: GetTickCount64)" <<<"$said"; then
  echo "ok   a program that imports GetTickCount64 is refused"
else
  printf '%s\n' "$said"
  echo "FAIL check-pe let GetTickCount64 through"
  failures=1
fi
rm -f /tmp/floor-shipped.$$
exit "$failures"
