#!/usr/bin/env bash
# The folders of src/ are floors: a file includes only from its own folder and
# the folders below it. This script holds the one list of floors, bottom first
# (folders on the same floor share a line entry), and names every include that
# reaches up, with file and line. Usage: check-layers.sh [source folder]
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"

floors=(
    "platform"                # text, time, files, profile files, autostart, media, ports
    "settings"                # process-wide state, program facts, CIniFile
    "storage"                 # the database wrapper, its seed and tool
    "calendar"                # lunar calendar, solar terms, month sheet
    "controls"                # shared widgets, the views' base class, command ids
    "mail"                    # SMTP, MIME, queue, mail settings, composer
    "reminders"               # evaluation, check, list view, editor, pop-up
    "exchange update views"   # workbook; online update; calendar, address book, festivals
    "app"                     # start-up, main frame, tray, lock
)

declare -A floor_of
for i in "${!floors[@]}"; do
    for folder in ${floors[$i]}; do floor_of[$folder]=$i; done
done
top=${#floors[@]} # files directly in src/ (main.cpp) stand above every folder

failed=0
while IFS= read -r -d '' file; do
    relative="${file#"$src"/}"
    if [[ "$relative" == */* ]]; then
        own="${relative%%/*}"
        if [[ -z "${floor_of[$own]+set}" ]]; then
            echo "$file: the folder $own has no floor; add it to tools/check-layers.sh"
            failed=1
            continue
        fi
        own_floor=${floor_of[$own]}
    else
        own="src"
        own_floor=$top
    fi
    line_number=0
    while IFS= read -r line; do
        line_number=$((line_number + 1))
        [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([A-Za-z0-9_]+)/ ]] || continue
        target="${BASH_REMATCH[1]}"
        if [[ -z "${floor_of[$target]+set}" ]]; then
            echo "$file:$line_number: includes from $target/, a folder that has no floor"
            failed=1
        elif ((floor_of[$target] > own_floor)); then
            echo "$file:$line_number: $own/ includes from $target/, a floor above it"
            failed=1
        fi
    done <"$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

if ((failed)); then
    echo "Includes must point down: $(printf '%s < ' "${floors[@]}")main" >&2
    exit 1
fi
