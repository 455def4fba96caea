#!/usr/bin/env bash
# The shipped program end to end, in a Wine prefix of its own: first run,
# second start hand-over, closing the pet, and a missing front end.
#   e2e_shipped_program.sh PROGRAM PROBE PLACEHOLDER_UI WORK_DIR
set -euo pipefail
program=$1 probe_exe=$2 placeholder_ui=$3 work=$4
root=$(cd "$(dirname "$0")/../.." && pwd)

rm -rf "$work"
mkdir -p "$work/program"
cp "$program" "$work/program/"
cp -r "$placeholder_ui" "$work/program/ui"
exe="$work/program/$(basename "$program")"

source "$root/scripts/lib/wine-session.sh"
nubo_wine_start "$work"
trap nubo_wine_stop EXIT
run() { "$root/scripts/lib/wine-exec" "$@"; }
# The probe writes its name first, so that wine-exec can tell a start that
# never ran and make it again; the name is not part of the answer.
probe() {
  local out status=0
  out=$(run "$probe_exe" "$@") || status=$?
  out=${out#e2e_probe}
  out=${out#$'\n'}
  [ -z "$out" ] || printf '%s\n' "$out"
  return "$status"
}

# No WebView2 loader lies beside the program: the library is not found.
box_text="初始化 WebView2失败（HRESULT 0x8007007E）。
请确认已安装 WebView2 Runtime。"
fail() { echo "FAIL: $*"; exit 1; }

app_folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local 2>/dev/null | head -1)/CuteTavuDesktopPet
marker="$app_folder/onboarding.complete"

echo "== first run"
run "$exe" & first=$!
# The pet's browser cannot start: its box comes first, then the workbench's.
text=$(probe dismiss-box 30) || fail "no box for the pet window"
[ "$text" = "$box_text" ] || fail "unexpected box text: $(printf %s "$text" | od -c | head -5)"
text=$(probe dismiss-box 30) || fail "no box for the workbench"
[ "$text" = "$box_text" ] || fail "unexpected box text: $(printf %s "$text" | od -c | head -5)"
probe visible dashboard 10 || fail "the workbench did not open on the first run"
for _ in $(seq 1 100); do [ -f "$marker" ] && break; sleep 0.1; done
[ -f "$marker" ] || fail "no onboarding marker"
[ "$(wc -c < "$marker")" -eq 24 ] || fail "marker is not 24 bytes"
[ "$(cat "$marker")" = "CuteTavuDesktopPet 1.0.0" ] || fail "marker content"

echo "== second start hands over"
probe close dashboard
probe hidden dashboard 10 || fail "closing the workbench did not hide it"
probe visible pet 10 || fail "the pet did not come back"
run "$exe" || fail "the second start did not exit with 0"
probe visible dashboard 10 || fail "the hand-over did not open the workbench"
probe no-box 1 || fail "the hand-over showed a box"

echo "== closing the pet quits"
probe close pet
code=0
wait "$first" || code=$?
[ "$code" -eq 0 ] || fail "exit code $code after closing the pet"

echo "== next start is not a first run"
run "$exe" & again=$!
probe dismiss-box 30 >/dev/null || fail "no box for the pet window"
probe visible pet 10 || fail "the pet is not shown"
probe no-box 2 || fail "the workbench opened again"
probe close pet
wait "$again" || fail "second session did not end with 0"

echo "== missing front end"
rm "$work/program/ui/index.html"
run "$exe" & missing=$!
text=$(probe dismiss-box 30) || fail "no start-up failure box"
expected="启动失败：
React UI was not found. Run scripts/build to build the app."
[ "$text" = "$expected" ] || fail "unexpected start-up box: $text"
code=0
wait "$missing" || code=$?
[ "$code" -eq 1 ] || fail "exit code $code without a front end"
echo "end to end: all passed"
