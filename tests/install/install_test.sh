#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under an unusual prefix and
# checks what a desktop needs, with the desktop's own validators.
#   install_test.sh <build directory>
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (bash tools/deps.sh installs it)"
        exit 77
    fi
done

destdir=$(mktemp -d)
trap 'rm -rf "$destdir"' EXIT
prefix=/opt/annivo-test
DESTDIR=$destdir cmake --install "$build" --prefix "$prefix" >/dev/null
root=$destdir$prefix
id=com.qilora.Annivo

failed=0
expect_file() {
    if [ ! -f "$root/$1" ]; then
        echo "missing: $prefix/$1"
        failed=1
    fi
}
expect_file bin/annivo
[ -x "$root/bin/annivo" ] || { echo "bin/annivo is not executable"; failed=1; }
expect_file share/applications/$id.desktop
expect_file share/metainfo/$id.metainfo.xml
expect_file share/icons/hicolor/scalable/apps/$id.svg
expect_file share/icons/hicolor/48x48/apps/$id.png
expect_file share/icons/hicolor/128x128/apps/$id.png
expect_file share/annivo/data.db
[ "$failed" -eq 0 ] || exit 1

# The launcher names the installed program and icon.
grep -qx "Exec=annivo" "$root/share/applications/$id.desktop"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop"
# The seed is a database, fresh from the build.
[ "$(head -c 15 "$root/share/annivo/data.db")" = "SQLite format 3" ]

desktop-file-validate "$root/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"
echo "installed and valid"
