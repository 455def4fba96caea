#!/usr/bin/env bash
# Builds the software manager's test tree at C:\swfix inside the test prefix:
# real folders, Unix symbolic links (which Wine shows as reparse points for
# folders only), wide, deep and large trees, and a drive N: that Wine reports
# as a network drive; "remove" takes them away again.
#   prepare_software_tree.sh [remove]
set -euo pipefail
: "${WINEPREFIX:?run inside the Wine test session}"
here=$(cd "$(dirname "$0")" && pwd)
root="$WINEPREFIX/drive_c/swfix"
rm -rf "$root"
if [ "${1:-}" = remove ]; then
  rm -f "$WINEPREFIX/dosdevices/n:"
  wine reg delete 'HKLM\Software\Wine\Drives' /v n: /f </dev/null >/dev/null 2>&1 || true
  exit 0
fi
mkdir -p "$root/real/dir/sub" "$root/netshare"
printf 'hello' > "$root/real/dir/file.txt"
mkdir -p "$root/app"
printf "MZ" > "$root/app/app.exe"
ln -s app "$root/applink"
ln -s real/dir "$root/dirlink"
ln -s ../real/dir "$root/real/deeplink"
ln -s real/dir/file.txt "$root/filelink.txt"
mkdir -p "$root/linkedroot"
ln -s ../real "$root/linkedroot/inner"
python3 "$here/make_tree.py" "$root/wide" wide 5000
python3 "$here/make_tree.py" "$root/big" files 100001
python3 "$here/make_tree.py" "$root/deep64" deep 64
python3 "$here/make_tree.py" "$root/deep65" deep 65
python3 "$here/make_tree.py" "$root/deep70" deep 70
ln -sfn "$root/netshare" "$WINEPREFIX/dosdevices/n:"
wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f </dev/null >/dev/null 2>&1
# Wine's mount manager learns the drive types when it starts: restart the
# prefix's persistent server, which is why this runs alone.
wineserver -k
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1
