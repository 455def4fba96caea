#!/usr/bin/env bash
# Builds a per-user NSIS installer and an MSI package, installs both silently,
# runs the end-to-end test program (scan, uninstall, cleanup), then removes
# whatever the test left. Installed only while the test runs, so that the
# inventory tests never see them.
#   safety_products.sh TEST_EXE
set -uo pipefail
: "${WINEPREFIX:?run inside the Wine test session}"
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../../scripts/lib/wine-exec"
work="$WINEPREFIX/drive_c/swsafety_products"
msi_code='{3C7D1E2F-5A6B-4C8D-9E0F-1A2B3C4D5E60}'
remove() {
  wine msiexec /x "$msi_code" /qn </dev/null >/dev/null 2>&1
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\NuboSafetyNsis' /f \
    </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap remove EXIT
rm -rf "$work"
mkdir -p "$work"
cp "$here/installers/safety_nsis_product.nsi" "$here/installers/safety_msi_product.wxs" "$work/"
printf 'payload\n' > "$work/payload.txt"
(cd "$work" && makensis -V1 -DOUT="$work/nsis_setup.exe" -DPAYLOAD="$work/payload.txt" safety_nsis_product.nsi) \
  >/dev/null || exit 1
(cd "$work" && wixl -a x64 -o safety_msi_product.msi safety_msi_product.wxs 2>/dev/null) || exit 1
wine 'C:\swsafety_products\nsis_setup.exe' /S </dev/null || exit 1
wine msiexec /i 'C:\swsafety_products\safety_msi_product.msi' /qn </dev/null || exit 1
"$run" "$1"
