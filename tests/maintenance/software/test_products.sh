#!/usr/bin/env bash
# Builds a 64-bit NSIS installer and an MSI package and installs them silently
# into the test prefix, then saves Wine's own uninstaller list beside them;
# "remove" uninstalls both again.
#   test_products.sh install|remove
set -euo pipefail
: "${WINEPREFIX:?run inside the Wine test session}"
here=$(cd "$(dirname "$0")" && pwd)
work="$WINEPREFIX/drive_c/swinst"
case "${1:-}" in
  install)
    rm -rf "$work"
    mkdir -p "$work"
    cp "$here/installers/nsis_product.nsi" "$here/installers/msi_product.wxs" "$work/"
    printf 'payload\n' > "$work/payload.txt"
    (cd "$work" && makensis -V1 -DOUT="$work/nsis_setup.exe" nsis_product.nsi >/dev/null)
    (cd "$work" && wixl -a x64 -o msi_product.msi msi_product.wxs 2>/dev/null)
    wine 'C:\swinst\nsis_setup.exe' /S </dev/null
    wine msiexec /i 'C:\swinst\msi_product.msi' /qn </dev/null
    wine uninstaller --list </dev/null 2>/dev/null | tr -d '\r' > "$work/uninstaller-list.txt"
    grep -q 'Nubo Installed Nsis' "$work/uninstaller-list.txt"
    grep -q 'Nubo Installed Msi' "$work/uninstaller-list.txt"
    ;;
  remove)
    wine 'C:\Program Files\Nubo Installed Nsis\uninstall.exe' /S </dev/null || true
    wine msiexec /x 'C:\swinst\msi_product.msi' /qn </dev/null || true
    # The NSIS uninstaller runs on from a copy of itself: its key goes here for sure.
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NuboInstalledNsis' /f \
      </dev/null >/dev/null 2>&1 || true
    rm -rf "$work"
    ;;
  *) echo "usage: test_products.sh install|remove" >&2; exit 2 ;;
esac
