#!/usr/bin/env bash
# DeleteTree on hostile registries, as Wine's own reg.exe sees the result:
# nothing outside each tree changes, and each result says whether its tree
# is gone. Usage: hostile_tree.sh <hostile_tree.exe>
set -uo pipefail
source "$(dirname "$0")/wine_env.sh"
base='HKEY_CURRENT_USER\Software\ResetParametriVelto-hostile'
run() {  # the program proves that it ran by its own last line
  local said
  said=$("$wine_run" "$1" "$2" | tr -d '\r')
  grep -qx "hostile_tree: $2 done" <<<"$said" || { fail "hostile_tree $2 did not run to its end"; finish; }
  printf '%s\n' "$said"
}
run "$1" clean >/dev/null
run "$1" arrange >/dev/null
victim_before=$(export_key "$base\\Victim")
said=$(run "$1" delete)
for expected in "T: gone" "L: gone" "H: stays" "Deep: stays"; do
  if grep -qx "$expected" <<<"$said"; then pass "DeleteTree said $expected"; else fail "DeleteTree: expected $expected"; fi
done
if [ -n "$victim_before" ] && [ "$(export_key "$base\\Victim")" = "$victim_before" ]; then
  pass "the links' target is as it was"
else
  fail "the links' target changed"
fi
expect_line "$base\\Victim\\Child" '"v"="kept"'
for key in T L 'H\Plain'; do
  if key_exists "$base\\$key"; then fail "$key stayed"; else pass "$key is gone"; fi
done
for key in H Deep 'Deep\L\L\L'; do
  if key_exists "$base\\$key"; then pass "$key stays"; else fail "$key went"; fi
done
run "$1" clean >/dev/null
if key_exists "$base"; then fail "the test's keys stayed"; else pass "cleaned"; fi
finish
