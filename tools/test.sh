#!/usr/bin/env bash
# Builds Annivo and runs every test, without a display or a sound card.
# With ANNIVO_WERROR=ON (CI) it also compiles the Debug and RelWithDebInfo
# builds, so that no build type a user may choose fails on a warning.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"

if [ "${ANNIVO_WERROR:-OFF}" = ON ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    for type in Debug RelWithDebInfo; do
        dir="$root/build-$(echo "$type" | tr '[:upper:]' '[:lower:]')"
        echo "Compiling the $type build in $dir"
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DANNIVO_WERROR=ON \
            -DANNIVO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
        if ! cmake --build "$dir" --parallel "$(nproc)" >"$dir/build.log" 2>&1; then
            grep -E -A5 "error|warning" "$dir/build.log" | head -100
            exit 1
        fi
    done
fi

export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
