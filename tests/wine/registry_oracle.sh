#!/usr/bin/env bash
# What cRegistry writes, as Wine's own reg.exe sees it: the stored type codes
# and bytes of representative writes, and a file-type association in both
# class tables. Usage: registry_oracle.sh <oracle_writer.exe>
set -uo pipefail
source "$(dirname "$0")/wine_env.sh"

values='HKEY_CURRENT_USER\Software\ResetParametriVelto-oracle\Values'
"$wine_run" reg delete 'HKCU\Software\ResetParametriVelto-oracle' /f >/dev/null 2>&1
for key in 'HKCR\.rpvoracle' 'HKCR\RPV.Oracle.File'; do
  "$wine_run" reg delete "$key" /f >/dev/null 2>&1
done

# The writer proves that it ran by its own last line.
if grep -qx "oracle_writer: values and association written" <<<"$("$wine_run" "$1" | tr -d '\r')"; then
  pass "the writer ran"
else
  fail "the writer did not run to its end"
  finish
fi

expect_line "$values" '@="default"'
expect_line "$values" '"text"="città €"'
expect_line "$values" '"empty"=""'
expect_line "$values" "\"expand\"=hex(2):$(expand_hex '%PATH%;x')"
expect_line "$values" '"notExpand"="C:\\Data"'
expect_line "$values" '"dword"=dword:ffffffff'
expect_line "$values" '"bigEndian"=dword:00000001'
expect_line "$values" '"binary"=hex:0a,14,1e'
expect_line "$values" '"emptyBinary"=hex:'
expect_line "$values" '"literal16"="Hello"'
expect_line "$values" '"literalWide"="Hello"'
expect_line "$values" '"wideString"="Ciao"'
expect_line "$values" '"dwordFromWindows"=dword:fffffffe'
expect_line "$values" '"wideNames"="ok"'

command='"%ProgramFiles%\Velto\viewer.exe"'
for table in 'HKEY_CLASSES_ROOT' 'HKEY_LOCAL_MACHINE\SOFTWARE\Classes'; do
  class="$table\\RPV.Oracle.File"
  expect_line "$table\\.rpvoracle" '@="RPV.Oracle.File"'
  expect_line "$class" '@="Oracle file"'
  expect_line "$class\\shell\\open" '@="&Open"'
  expect_line "$class\\shell\\open\\command" "@=hex(2):$(expand_hex "$command \"%1\"")"
  expect_line "$class\\shell\\print" '@="&Print"'
  expect_line "$class\\shell\\print\\command" "@=hex(2):$(expand_hex "$command /p \"%1\"")"
  expect_line "$class\\DefaultIcon" "@=hex(2):$(expand_hex "$command,0")"
  expect_line "$class\\shell\\edit" '@="&Modifica"'
  expect_line "$class\\shell\\edit\\command" '@="notepad.exe \"%1\""'
  if key_exists "$class\\shell\\new"; then fail "$class: no New command asked for"; else pass "$class: no New command"; fi
done

"$wine_run" reg delete 'HKCU\Software\ResetParametriVelto-oracle' /f >/dev/null 2>&1
"$wine_run" reg delete 'HKCR\.rpvoracle' /f >/dev/null 2>&1
"$wine_run" reg delete 'HKCR\RPV.Oracle.File' /f >/dev/null 2>&1
finish
