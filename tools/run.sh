#!/usr/bin/env bash
# Builds Annivo and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
exec "$root/build/annivo" "$@"
