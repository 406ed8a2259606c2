# Shared by the Wine tests: the project's Wine settings and reg.exe helpers.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/wine-run"
export WINEPREFIX="${WINEPREFIX:-$here/../../build/wineprefix}"
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}
pass() { echo "ok   $*"; }

# reg export of one key, as UTF-8 lines with continuation lines joined.
export_key() {
  local file
  file=$(mktemp --suffix=.reg)
  if ! "$wine_run" reg export "$1" "$(winepath_of "$file")" /y >/dev/null 2>&1; then
    rm -f "$file"
    return 1
  fi
  iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed -e ':a' -e '/\\$/N; s/\\\n *//; ta'
  rm -f "$file"
}

# Wine maps the Unix root to drive Z:.
winepath_of() { echo "Z:${1//\//\\}"; }

# Whether a key exists, by reg query's exit status.
key_exists() { "$wine_run" reg query "$1" >/dev/null 2>&1; }

# The .reg form of an expandable text: hex(2) of its UTF-16LE bytes and NUL.
expand_hex() {
  printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
    tr -s ' \n' ',' | sed 's/^,//; s/,$//; s/$/,00,00/'
}

# expect_line <key> <exact .reg line>
expect_line() {
  if grep -qxF -- "$2" <<<"$(export_key "$1")"; then
    pass "$1: $2"
  else
    fail "$1: expected $2"
    export_key "$1" | sed 's/^/       /'
  fi
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
