#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang in build-fuzz/ and runs each one
# for ANNIVO_FUZZ_SECONDS seconds (15 by default) on its committed seeds. A
# finding fails the run; the input that caused it is kept in build-fuzz/findings/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build-fuzz"
seconds="${ANNIVO_FUZZ_SECONDS:-15}"
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DANNIVO_FUZZ=ON -DANNIVO_WERROR=ON "${launcher[@]}" >/dev/null
if ! cmake --build "$dir" --parallel "$(nproc)" >"$dir/build.log" 2>&1; then
    grep -E -A5 "error|warning" "$dir/build.log" | head -100
    exit 1
fi

mkdir -p "$dir/findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for seeds in "$root"/fuzz/seeds/*/; do
    name="$(basename "$seeds")"
    echo "Fuzzing $name for $seconds s"
    # New inputs go to a scratch corpus; the committed seeds are only read.
    mkdir "$work/$name"
    if ! "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$dir/findings/$name-" "$work/$name" "$seeds" >"$work/$name.log" 2>&1; then
        tail -50 "$work/$name.log"
        echo "fuzz_$name broke a property; the input is in $dir/findings/"
        exit 1
    fi
done
