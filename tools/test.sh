#!/usr/bin/env bash
# Checks the floors of src/, builds Annivo and runs every test, without a display or a sound card.
# With ANNIVO_WERROR=ON (CI) it also compiles the RelWithDebInfo build, so
# that no build type a user may choose fails on a warning, builds Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test again
# there, and runs each fuzz target for a short time on its seeds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# Includes point down the floors of src/; the check takes a second.
bash "$root/tools/check-layers.sh"
bash "$root/tools/build.sh"

if [ "${ANNIVO_WERROR:-OFF}" = ON ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    # Builds `dir` with the given options, warnings as errors; on failure shows why.
    compile() {
        local dir="$1"
        shift
        echo "Compiling $dir"
        cmake -S "$root" -B "$dir" -G Ninja -DANNIVO_WERROR=ON -DANNIVO_BUILD_BENCH=OFF \
            "${launcher[@]}" "$@" >/dev/null
        if ! cmake --build "$dir" --parallel "$(nproc)" >"$dir/build.log" 2>&1; then
            grep -E -A5 "error|warning" "$dir/build.log" | head -100
            exit 1
        fi
    }
    compile "$root/build-relwithdebinfo" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # The sanitized build is the Debug build, so Debug compiles too.
    compile "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DANNIVO_SANITIZE=ON
fi

export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600

if [ "${ANNIVO_WERROR:-OFF}" = ON ]; then
    # The Debian package of this Release build: checked, installed, run by a
    # new user and removed again (it changes the machine, so in CI only).
    bash "$root/tools/package-test.sh" "$root/build"
fi

if [ "${ANNIVO_WERROR:-OFF}" = ON ]; then
    echo "Running the tests with AddressSanitizer and UndefinedBehaviorSanitizer"
    # Any finding, a leak included, fails the test that made it.
    export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    export LSAN_OPTIONS=suppressions=$root/tools/lsan-suppressions.txt:print_suppressions=0
    cd "$root/build-sanitize"
    ctest --output-on-failure --parallel "$(nproc)" --timeout 600
    unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

    bash "$root/tools/fuzz.sh"
fi
