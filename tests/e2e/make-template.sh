#!/usr/bin/env bash
# Builds the Wine prefix every end-to-end test copies: booted, a 1024x768
# virtual desktop shared by all its processes, Wine's own fonts. Made once per
# build folder; a stamp marks it complete.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${VOLTARIS_E2E_ROOT:?}
template=$root/template
[ -f "$template/.complete" ] && exit 0

rm -rf "$template"
mkdir -p "$root"
export WINEPREFIX=$template WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
wineboot -i >/dev/null 2>&1
wine regedit /S "$(winepath -w "$here/settings.reg" 2>/dev/null)" >/dev/null 2>&1
ln -sf /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
wineserver -w
touch "$template/.complete"
echo "template prefix ready: $template"
