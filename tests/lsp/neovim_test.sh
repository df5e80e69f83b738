#!/bin/sh
# Neovim's own client, headless, attached to tarnel-lsp on the example project.
# Usage: neovim_test.sh TARNEL_LSP DEMO_FOLDER SCRIPT.lua
if ! command -v nvim >/dev/null 2>&1; then
  echo "skipped: Neovim is not installed (apt-get install neovim)"
  exit 77
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cp "$2"/* "$work"/
TARNEL_LSP="$1" DEMO_ROOT=$(cd "$work" && pwd -P) HOME="$work" \
  timeout 90 nvim --headless -u NONE -i NONE -n -c "luafile $3" </dev/null
