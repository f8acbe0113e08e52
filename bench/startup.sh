#!/usr/bin/env bash
# Start-up time and memory of Annivo against a bare Qt window of the same
# shape (bench/BareWindow.cpp), under Xvfb: from launch until the main window
# is mapped, with an empty database and with 10,000 people, the programs
# alternating, N runs each (default 15). Prints the medians, the two ratios to
# the bare window and the resident memory 3 s after the start.
#   bash bench/startup.sh [N] [BUILD_DIR]
# ANNIVO_BEFORE=path/to/annivo times another build of the program in the same
# run (before and after a change), against the same yardstick.
# Everything runs in a temporary HOME and ANNIVO_HOME; nothing real is touched.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-15}"
build="$(cd "${2:-$root/build}" && pwd)"
for tool in "$build/annivo" "${ANNIVO_BEFORE:-$build/annivo}" "$build/src/storage/annivo-makedb" \
            "$build/bench/annivo_bench_bare_window" "$build/bench/annivo_bench_mapped_timer" \
            "$build/bench/annivo_bench_make_people"; do
    [ -x "$tool" ] || { echo "missing $tool: build first (tools/build.sh)" >&2; exit 1; }
done

scratch="$(mktemp -d)"
# A private X server of its own; it names a free display itself, so servers
# that other programs start at the same moment cannot take its number. It
# must not reset when its last client leaves: a start that connects during
# the reset would fail.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
for ((i = 0; i < 100; i++)); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$scratch/display")"
unset XAUTHORITY
mkdir -p "$scratch/home" "$scratch/empty" "$scratch/people" "$scratch/runtime"
chmod 700 "$scratch/runtime"
"$build/src/storage/annivo-makedb" "$scratch/empty/data.db" >/dev/null
"$build/bench/annivo_bench_make_people" "$scratch/people" 10000 >/dev/null

kinds=(bare empty people)
[ -n "${ANNIVO_BEFORE:-}" ] && kinds+=(empty-before people-before)
# Each program keeps its own program directory from start to start, as a
# user's does; the first start, which sets it up, is not counted.
for kind in "${kinds[@]}"; do
    mkdir -p "$scratch/run-$kind"
    if [ "$kind" != bare ]; then cp "$scratch/${kind%-before}/data.db" "$scratch/run-$kind/"; fi
done

# One start: prints "<ms> <kB>". It runs from the scratch directory, so that
# the program never takes itself for a start at log-on.
launch() { # kind
    local program="$build/annivo"
    [[ "$1" == *-before ]] && program="$ANNIVO_BEFORE"
    [ "$1" = bare ] && program="$build/bench/annivo_bench_bare_window"
    (cd "$scratch" && env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
        XDG_DATA_HOME="$scratch/home/.local/share" XDG_RUNTIME_DIR="$scratch/runtime" \
        ANNIVO_HOME="$scratch/run-$1" SDL_AUDIODRIVER=dummy \
        "$build/bench/annivo_bench_mapped_timer" 3 "$program")
}

# One start of each is not counted: the first start sets up and reads from disk.
for kind in "${kinds[@]}"; do launch "$kind" >/dev/null; done
for ((i = 0; i < runs; i++)); do
    for kind in "${kinds[@]}"; do
        read -r ms kb < <(launch "$kind")
        echo "$ms" >>"$scratch/$kind.ms"
        echo "$kb" >>"$scratch/$kind.kb"
    done
done

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "$runs starts of each, alternating; medians"
bare=$(median "$scratch/bare.ms")
for kind in "${kinds[@]}"; do
    ms=$(median "$scratch/$kind.ms")
    kb=$(median "$scratch/$kind.kb")
    awk -v kind="$kind" -v ms="$ms" -v kb="$kb" -v bare="$bare" 'BEGIN {
        split("bare:bare Qt window|empty:Annivo, empty|people:Annivo, 10,000 people|empty-before:before, empty|people-before:before, 10,000 people", names, "|")
        for (i in names) { split(names[i], p, ":"); title[p[1]] = p[2] }
        printf "%-24s %7.1f ms  %5.2fx   RSS after 3 s %5.1f MB\n", title[kind], ms, ms / bare, kb / 1024
    }'
done
