#!/usr/bin/env bash
# The installer under Wine, silently (/S), in the prefix scripts/windows-test
# prepares: the program and the uninstaller in Program Files\Tavro+, the
# Start-menu entry; then the uninstaller, silently, takes all of it away.
#
#   installer_wine.sh path/to/ZazivadeZaz32-VERSION-win64.exe
set -euo pipefail
installer=$(readlink -f "${1:?usage: installer_wine.sh INSTALLER.exe}")
wine=${TAVRO_WINE:-/usr/lib/wine/wine64}
fail() {
    echo "installer_wine: FAIL: $*" >&2
    exit 1
}
[ -f "$installer" ] || fail "no installer at $installer (make windows packs it)"
[ -n "${WINEPREFIX:-}" ] || fail "no WINEPREFIX (run it through scripts/windows-test)"
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Tavro+"
entry() { find "$drive" -path '*Start Menu/Programs*' -name 'Tavro+.lnk' 2>/dev/null | head -n1; }
wait_until() {
    local deadline=$((SECONDS + 60))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

"$wine" "$installer" /S >/dev/null 2>&1 </dev/null || fail "the installer exited with $?"
[ -f "$folder/ZazivadeZaz32.exe" ] || fail "no ZazivadeZaz32.exe in $folder: $(ls "$folder" 2>&1)"
[ -f "$folder/Uninstall.exe" ] || fail "no uninstaller in $folder"
[ -n "$(entry)" ] || fail "no Start-menu entry Tavro+"

# The uninstaller runs on from a copy of itself: wait for its work.
"$wine" 'C:\Program Files\Tavro+\Uninstall.exe' /S >/dev/null 2>&1 </dev/null ||
    fail "the uninstaller exited with $?"
wait_until test ! -e "$folder/ZazivadeZaz32.exe" || fail "the uninstaller left ZazivadeZaz32.exe"
wait_until test -z "$(entry)" || fail "the uninstaller left the Start-menu entry"
echo "installer_wine: ok"
