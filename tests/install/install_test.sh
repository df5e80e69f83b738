#!/usr/bin/env bash
# usage: install_test.sh BUILD_DIR PROJECT.vbp
# A portable install holds everything side by side, and both programs run from it.
set -euo pipefail
build="$1"
project="$2"
prefix="$(mktemp -d)"
trap 'kill "${window:-0}" 2>/dev/null || true; rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
for file in tarnel tarnel-xref tarnel-lsp resv.dic xref.hlp tarnel.desktop icons/00.png icons/15.png; do
  [ -e "$prefix/$file" ] || { echo "missing in the install: $file"; exit 1; }
done
grep -q "^Exec=\"$prefix/tarnel\" %f$" "$prefix/tarnel.desktop" || { echo "bad .desktop Exec"; exit 1; }

# The batch tool finds its dictionary beside it: "Call" is reserved, so Main's call of WriteLog
# through "Call" is found and no message about the dictionary appears.
report="$("$prefix/tarnel-xref" --utf8 "$project" 2> "$prefix/errors.txt")"
grep -q "Sub Main *→ Module1.InitApp" <<< "$report" || { echo "unexpected report"; echo "$report"; exit 1; }
[ ! -s "$prefix/errors.txt" ] || { echo "messages:"; cat "$prefix/errors.txt"; exit 1; }

# The language server answers from the install and ends cleanly after shutdown and exit.
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
answers="$( {
  frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"rootUri":null,"capabilities":{}}}'
  frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
  frame '{"jsonrpc":"2.0","method":"exit"}'
} | "$prefix/tarnel-lsp")" || { echo "tarnel-lsp ended with a failure"; exit 1; }
grep -q '"callHierarchyProvider":true' <<< "$answers" || { echo "no capabilities: $answers"; exit 1; }

# The window starts from the install, opens the project and writes tarnel.ini beside itself.
"$prefix/tarnel" "$project" &
window=$!
for _ in $(seq 1 100); do
  [ -f "$prefix/tarnel.ini" ] && break
  sleep 0.1
done
kill -0 "$window" || { echo "the window program ended early"; exit 1; }
grep -q "^\[Date\]" "$prefix/tarnel.ini" || { echo "no [Date] in tarnel.ini"; exit 1; }
echo "install ok: $prefix"
