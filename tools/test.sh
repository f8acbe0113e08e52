#!/usr/bin/env bash
# Builds Annivo and runs every test, without a display or a sound card.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
