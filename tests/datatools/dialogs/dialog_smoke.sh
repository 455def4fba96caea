#!/usr/bin/env bash
# Runs the real-dialog tests in a Wine session of their own with its own X
# display: the shared session of the other tests is left untouched.
set -euo pipefail
tests_exe=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
unset DISPLAY
source "$root/scripts/lib/wine-session.sh"
cleanup() {
  nubo_wine_stop
  rm -rf "$work"
}
trap cleanup EXIT
nubo_wine_start "$work"
"$root/scripts/lib/wine-exec" "$tests_exe"
