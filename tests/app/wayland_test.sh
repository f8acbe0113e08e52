#!/usr/bin/env bash
# The program in a Wayland session: a headless weston of its own (its own
# runtime directory and socket) runs the window tests, then the real program
# with a birthday today. Its main window and the reminder pop-up must be
# configured by the compositor and answered, nothing may be logged, and
# SIGTERM must end it with exit code 0.
#   wayland_test.sh <annivo_wayland_tests> <annivo> <annivo-makedb>
set -euo pipefail
window_tests=$1 program=$2 makedb=$3
faketime_library=$(find /usr/lib -path '*/faketime/libfaketime.so.1' -print -quit)
platform=$(find /usr/lib -path '*/qt6/plugins/platforms/libqwayland-generic.so' -print -quit)
if ! command -v weston >/dev/null || [ -z "$faketime_library" ] || [ -z "$platform" ]; then
    echo "SKIPPED: weston, faketime or qt6-wayland is not installed (bash tools/deps.sh installs them)"
    exit 77
fi

work=$(mktemp -d)
weston_pid=
program_pid=
cleanup() {
    for pid in $program_pid $weston_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=annivo-test QT_QPA_PLATFORM=wayland
unset DISPLAY
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --no-config --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 \
    >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 200); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    sleep 0.05
done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || { echo "weston did not start:"; cat "$work/weston.log"; exit 1; }

SDL_AUDIODRIVER=dummy "$window_tests"

# A data directory with 张三's birthday on the day the clock is set to.
data=$work/data
mkdir -p "$data/home"
"$makedb" "$data/data.db" >/dev/null
python3 - "$data/data.db" <<'PY'
import sqlite3, sys
with sqlite3.connect(sys.argv[1]) as db:
    db.execute("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) "
               "Values ('张三','1990-09-09 23:59:59','阳历',33)")
PY
# This session has no bus: the notifications are tested on their own.
printf '[Settings]\r\nDesktopNotify=0\r\n' >"$data/annivo.ini"

log=$work/annivo.log
# A sanitizer build wants its runtime loaded first; libfaketime comes first here.
ANNIVO_HOME=$data HOME=$data/home XDG_CONFIG_HOME=$data/config SDL_AUDIODRIVER=dummy \
    WAYLAND_DEBUG=client LD_PRELOAD=$faketime_library FAKETIME="@2011-09-09 10:00:00" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    "$program" >"$log" 2>&1 &
program_pid=$!

# The window with that title was configured by the compositor, and the
# program answered: it is on the screen (the protocol log of WAYLAND_DEBUG).
shown() {
    awk -v title="set_title(\"$1\")" '
        /get_toplevel\(new id xdg_toplevel@/ {
            match($0, /xdg_surface@[0-9]+/); surface = substr($0, RSTART, RLENGTH)
            match($0, /xdg_toplevel@[0-9]+/); of[substr($0, RSTART, RLENGTH)] = surface
        }
        index($0, title) { match($0, /xdg_toplevel@[0-9]+/); wanted = of[substr($0, RSTART, RLENGTH)] }
        wanted != "" && index($0, "-> " wanted ".ack_configure") { found = 1 }
        END { exit !found }' "$log"
}
# The first check comes 20 seconds after the start.
for _ in $(seq 600); do
    shown "提醒" && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
failed=0
shown "Qilora生日提醒 2011贺岁版" || { echo "the main window was not shown"; failed=1; }
shown "提醒" || { echo "the reminder pop-up was not shown"; failed=1; }

kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" -eq 0 ] || { echo "SIGTERM ended the program with $status"; failed=1; }
# Everything but the protocol log, whose lines begin with a time in brackets.
if grep -av '^\[' "$log" | grep -q .; then
    echo "the program logged:"
    grep -av '^\[' "$log"
    failed=1
fi
exit $failed
