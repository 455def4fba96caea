#!/usr/bin/env bash
# Runs the safety suite world by world. Sentinels go into every folder that
# no cleanup may touch, sha256sum writes their manifest, and after each world
# `sha256sum -c` must find every sentinel unchanged.
#   safety_suite.sh SAFETY_TESTS_EXE SENTINELS_EXE
set -uo pipefail
: "${WINEPREFIX:?run inside the Wine test session}"
tests=$1
sentinels=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../../scripts/lib/wine-exec"
work="$WINEPREFIX/drive_c/swsafety"
# \\localhost\C$ reaches C:\ as the administrative share does on Windows.
share="$WINEPREFIX/dosdevices/unc/localhost/c\$"
rm -rf "$work"
mkdir -p "$work" "$(dirname "$share")"
ln -sfn ../../../drive_c "$share"
cleanup() {
  "$run" "$sentinels" remove >/dev/null 2>&1
  rm -rf "$work"  # rm never follows a link a failed world left behind
  rm -f "$share"
}
trap cleanup EXIT

"$run" "$sentinels" place | tr -d '\r' > "$work/sentinels.txt" || { echo "cannot place the sentinels"; exit 1; }
count=$(wc -l < "$work/sentinels.txt")
[ "$count" -eq 28 ] || { echo "expected 28 sentinels, placed $count"; exit 1; }
xargs -d '\n' sha256sum < "$work/sentinels.txt" > "$work/manifest.sha256" || exit 1

# A real Windows Installer package that one world installs into another
# program's folder, registering no InstallLocation.
cp "$here/installers/safety_neighbour.wxs" "$work/"
printf 'neighbour\n' > "$work/payload.txt"
(cd "$work" && wixl -a x64 -o neighbour.msi safety_neighbour.wxs 2>/dev/null) ||
  { echo "cannot build the package"; exit 1; }

names=$("$run" "$tests" --gtest_list_tests | tr -d '\r' | awk '/^[^ ]/ {suite = $1} /^  / {print suite $1}')
[ -n "$names" ] || { echo "no worlds listed"; exit 1; }
failed=0
worlds=0
for name in $names; do
  worlds=$((worlds + 1))
  "$run" "$tests" --gtest_filter="$name" --gtest_brief=1 || { echo "FAILED: $name"; failed=1; }
  sha256sum -c --quiet "$work/manifest.sha256" || { echo "FAILED: $name changed a sentinel"; failed=1; }
done
echo "$worlds worlds; the manifest of $count sentinels checked after each"
exit $failed
