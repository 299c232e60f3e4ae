#!/usr/bin/env bash
# Installs the build into a scratch root and checks what a desktop and a
# software centre read from it, with their own validators. Any finding fails,
# hints included: the hint about two main categories was the menu listing the
# program twice.
#
#   validate_installed.sh desktop|metainfo BUILD_DIR PROJECT_VERSION
set -euo pipefail

what=$1 build=$2 version=$3
root=$(mktemp -d /tmp/tavro-install-XXXXXX)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"

case "$what" in
    desktop)
        entry="$share/applications/ZazivadeZaz32.desktop"
        out=$(desktop-file-validate "$entry" 2>&1) || { echo "$out"; exit 1; }
        [ -z "$out" ] || { echo "$out"; exit 1; }
        # The icon it names is installed in the theme every desktop falls back to.
        icon=$(sed -n 's/^Icon=//p' "$entry")
        [ -f "$share/icons/hicolor/48x48/apps/$icon.png" ] || { echo "no icon $icon"; exit 1; }
        ;;
    metainfo)
        metainfo=("$share"/metainfo/*.metainfo.xml)
        if [ ${#metainfo[@]} -ne 1 ] || [ ! -f "${metainfo[0]}" ]; then
            echo "not one metainfo file: ${metainfo[*]}"
            exit 1
        fi
        appstreamcli validate --no-net --strict --pedantic "${metainfo[0]}"
        # Across files: the desktop entry it launches, the icons, the binary.
        appstreamcli validate-tree --no-net --strict "$root/usr"
        grep -q "<release version=\"$version\"" "${metainfo[0]}" ||
            { echo "no release $version in ${metainfo[0]}"; exit 1; }
        ;;
    *)
        echo "usage: validate_installed.sh desktop|metainfo BUILD_DIR PROJECT_VERSION" >&2
        exit 2
        ;;
esac
