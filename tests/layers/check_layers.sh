#!/usr/bin/env bash
# Fails when a source file includes a layer above its own, or a Qt header below the windows, or
# when a file outside the engine includes one of the engine's internal headers (those that say
# "Engine internal" in a comment line before any code).
# The layers, lowest first: platform <- analysis <- reports <- session <- {cli, ui, lsp};
# controls is used by ui only.
set -uo pipefail
src="${1:?usage: check_layers.sh SRC_DIR}"

allowed() { # LAYER -> the layers its files may include
  case "$1" in
    platform) echo "platform" ;;
    analysis) echo "platform analysis" ;;
    reports) echo "platform analysis reports" ;;
    session) echo "platform analysis reports session" ;;
    cli | lsp) echo "platform analysis reports session $1" ;;
    controls) echo "controls" ;;
    ui) echo "platform analysis reports session controls ui" ;;
  esac
}

# The engine's headers that only the engine itself may include, as "analysis/Name.h".
internal=" "
for header in "$src"/analysis/*.h; do
  [ -e "$header" ] || continue
  if sed -n '/^[[:space:]]*[^/[:space:]#]/q;p' "$header" | grep -Eq '^[[:space:]]*//[[:space:]]*Engine internal'; then
    internal+="analysis/$(basename "$header") "
  fi
done

failures=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  ok=" $(allowed "$layer") "
  while IFS= read -r file; do
    while IFS= read -r line; do
      target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^/"]*\)\/.*/\1/p' <<<"$line")
      if [ -n "$target" ] && [[ "$ok" != *" $target "* ]]; then
        echo "${file#"$src"/}: a $layer file includes $target: $line"
        failures=$((failures + 1))
      fi
      path=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$line")
      if [ "$layer" != analysis ] && [ -n "$path" ] && [[ "$internal" == *" $path "* ]]; then
        echo "${file#"$src"/}: a $layer file includes the engine's internal $path: $line"
        failures=$((failures + 1))
      fi
      if [[ "$layer" != ui && "$layer" != controls ]] && grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' <<<"$line"; then
        echo "${file#"$src"/}: a Qt header below the windows: $line"
        failures=$((failures + 1))
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
  done < <(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' \))
done
if [ "$failures" -ne 0 ]; then
  echo "$failures include(s) against the layering"
  exit 1
fi
echo "layering respected"
