#!/bin/sh
# The batch tool's exit status when standard output cannot take the report.
# Usage: exit_status_test.sh TARNEL_XREF PROJECT.vbp
tool=$1
project=$2
failures=0

expect_failure() {
  label=$1
  status=$2
  message=$3
  if [ "$status" -ne 1 ]; then
    echo "$label: exit status $status, expected 1"
    failures=$((failures + 1))
  fi
  case $message in
    *"standard output に書き込めません"*) ;;
    *)
      echo "$label: no error message (got: $message)"
      failures=$((failures + 1))
      ;;
  esac
}

message=$("$tool" "$project" 2>&1 >/dev/full)
expect_failure "full device" $? "$message"
message=$("$tool" "$project" 2>&1 >&-)
expect_failure "closed standard output" $? "$message"
message=$("$tool" --help 2>&1 >/dev/full)
expect_failure "usage to a full device" $? "$message"

# With standard output closed, a file opened later must not take its place.
folder=$(mktemp -d)
"$tool" --json "$folder/s.json" "$project" >&- 2>/dev/null
if grep -q "Module1" "$folder/s.json" && ! grep -q '^'"$project" "$folder/s.json"; then
  :
else
  echo "closed standard output: the JSON file received the report"
  failures=$((failures + 1))
fi
rm -rf "$folder"

"$tool" "$project" >/dev/null || {
  echo "a working standard output failed"
  failures=$((failures + 1))
}

if [ "$failures" -eq 0 ]; then echo "5 passed, 0 failed"; else echo "0 passed, $failures failed"; fi
[ "$failures" -eq 0 ]
