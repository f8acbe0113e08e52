#!/usr/bin/env bash
# The floor check on small trees: includes that point down or stay on a floor
# pass; an include of a higher floor, or of a folder the plan does not know,
# fails and names file and line.
set -euo pipefail
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tree/src/platform" "$tree/src/calendar" "$tree/src/views" "$tree/src/exchange" "$tree/src/app"
printf '#pragma once\n' >"$tree/src/platform/Clock.h"
printf '#include "platform/Clock.h"\n#include <string>\n' >"$tree/src/calendar/Lunar.h"
printf '#include "calendar/Lunar.h"\n#include "exchange/Book.h"\n' >"$tree/src/views/View.cpp"
printf '#pragma once\n' >"$tree/src/exchange/Book.h"
printf '#include "views/View.h"\n' >"$tree/src/app/Frame.cpp"
printf '#include "app/Frame.h"\n' >"$tree/src/main.cpp"
bash "$check" "$tree/src" >"$tree/out" 2>&1 || fail "a tree that points down was refused: $(cat "$tree/out")"

# One include up, on line 3 of a calendar header.
printf '#pragma once\n\n  #  include "views/View.h"\n' >"$tree/src/calendar/Sheet.h"
if bash "$check" "$tree/src" >"$tree/out" 2>&1; then fail "an upward include passed"; fi
grep -q "^$tree/src/calendar/Sheet.h:3: calendar/ includes from views/" "$tree/out" ||
    fail "the failure does not name file and line: $(cat "$tree/out")"
[ "$(grep -c 'includes from' "$tree/out")" -eq 1 ] || fail "more than the one include was named: $(cat "$tree/out")"
rm "$tree/src/calendar/Sheet.h"

# A folder outside the plan is refused too, so that a new one gets a floor.
mkdir -p "$tree/src/extras"
printf '#pragma once\n' >"$tree/src/extras/Thing.h"
if bash "$check" "$tree/src" >"$tree/out" 2>&1; then fail "a folder without a floor passed"; fi
grep -q "extras has no floor" "$tree/out" || fail "unexpected message: $(cat "$tree/out")"
echo "ok"
