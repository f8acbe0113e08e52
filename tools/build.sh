#!/usr/bin/env bash
# Configures and builds everything (program, tests, benchmarks) in build/.
# ANNIVO_BUILD_TYPE picks the build type (Release by default); ANNIVO_WERROR=ON
# turns warnings into errors, as CI and development builds do.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/deps.sh"
launcher=()
if command -v ccache >/dev/null; then
    # Rebuilds, and builds of other checkouts of the tree, reuse what was compiled.
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE="${ANNIVO_BUILD_TYPE:-Release}" \
    -DANNIVO_WERROR="${ANNIVO_WERROR:-OFF}" "${launcher[@]}" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
