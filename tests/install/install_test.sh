#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under an unusual prefix and
# checks what a desktop needs, with the desktop's own validators.
#   install_test.sh <build directory> [build type]
set -euo pipefail
build=$1
build_type=${2:-Release}
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

for file in bin/annivo share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/{scalable/apps/$id.svg,48x48/apps/$id.png,128x128/apps/$id.png} \
    share/annivo/data.db; do
    [ -f "$root/$file" ] || { echo "missing: $prefix/$file"; exit 1; }
done

check() { # description, command...
    local what=$1
    shift
    "$@" || { echo "failed: $what"; exit 1; }
}
check "the launcher starts the installed program" grep -qx "Exec=annivo" "$root/share/applications/$id.desktop"
check "the launcher shows the installed icon" grep -qx "Icon=$id" "$root/share/applications/$id.desktop"
check "the seed is a database" [ "$(head -c 15 "$root/share/annivo/data.db")" = "SQLite format 3" ]

# Nothing of the build or source tree, and no data of the developer's: the one
# database is the seed made for installing.
source=$(cd "$(dirname "$0")/../.." && pwd)
named=$(grep -rlaF -e "$build" -e "$source" "$destdir" || true)
if [ "$build_type" != Release ]; then
    # Debug and sanitizer builds keep source paths in their debug data and
    # checks by design: there only the files other than programs count.
    named=$(for file in $named; do
        [ "$(head -c 4 "$file" | tail -c 3)" = ELF ] || echo "$file"
    done)
fi
if [ -n "$named" ]; then
    echo "$named"
    echo "failed: the files above name the build or source tree"
    exit 1
fi
check "the only database is the seed" [ "$(find "$destdir" -iname '*.db')" = "$root/share/annivo/data.db" ]
check "the seed is the one made for installing" cmp -s "$root/share/annivo/data.db" "$build/dist/data.db"
check "the package's own marker stays out" [ ! -e "$root/share/annivo/packaged" ]

# The installed program keeps its data in the user's data directory, made and
# seeded at its first start, even where it could write beside itself.
user=$destdir/user
mkdir -p "$user/home"
env -u ANNIVO_HOME HOME="$user/home" XDG_DATA_HOME="$user/data" XDG_CONFIG_HOME="$user/config" \
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$root/bin/annivo" >/dev/null 2>&1 &
program=$!
for _ in $(seq 300); do # at most half a minute on a busy machine
    [ -f "$user/data/annivo/data.db" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
check "the first start made the user's data.db" [ -f "$user/data/annivo/data.db" ]
check "nothing was written beside the program" [ -z "$(find "$root/bin" -iname '*.db' -o -iname '*.ini')" ]

desktop-file-validate "$root/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"
echo "installed and valid"
