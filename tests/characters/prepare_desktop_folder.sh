#!/usr/bin/env bash
# Gives the Wine prefix's user profile real folders where the prefix links them
# to $HOME, so that files put on the test desktop stay inside the prefix.
set -euo pipefail
: "${WINEPREFIX:?run inside the Wine test session}"
home=$(readlink -f "${HOME:?}")
for entry in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$entry" ] && [ "$(readlink -f "$entry")" = "$home" ]; then
    rm "$entry"
    mkdir "$entry"
  fi
done
