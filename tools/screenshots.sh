#!/usr/bin/env bash
# Takes screenshots of the real program under Xvfb with a window manager and a
# tray: the main window with a birthday pop-up, the unlock dialog, the locked
# tray icon with its menu. Writes PNG files into the directory given (default
# /tmp/annivo-shots). Needs a build (bash tools/build.sh) and a few X tools,
# which it installs when missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-/tmp/annivo-shots}"

if [ -z "${ANNIVO_SHOTS_INNER:-}" ]; then
    tools=(xvfb icewm imagemagick xdotool sqlite3 faketime)
    missing=()
    for pkg in "${tools[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    mkdir -p "$out"
    ANNIVO_SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/home" "$work/config"
"$root/build/src/reminders/annivo-makedb" "$work/prog/data.db" >/dev/null
# Someone who turns 31 today, and a lock with the password "pw".
today=$(date +%Y-%m-%d)
sqlite3 "$work/prog/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_SoundPath) Values ('张三','$(( ${today:0:4} - 31 ))-${today:5:5} 00:00:00','阳历',33,'HAPPYBIRTHDAY')"
sqlite3 "$work/prog/data.db" "Update MySetting Set m_IsLock=1,m_UnLockPwd='pw'"
export ANNIVO_HOME="$work/prog" HOME="$work/home" XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy
cd "$work/home"

icewm >/dev/null 2>&1 &
sleep 2
"$root/build/annivo" >/dev/null 2>&1 &
sleep 3
import -window root "$out/unlock.png"
xdotool key Escape; sleep 1                      # cancel: locked in the tray
xdotool mousemove 851 755 click 3; sleep 1       # the tray icon's menu
import -window root "$out/traymenu.png"
xdotool key Escape; sleep 1
xdotool mousemove 851 755 click 1; sleep 1       # left click asks for the password
xdotool type pw; xdotool key Return; sleep 1
import -window root "$out/main.png"
sleep 20                                         # the first tick opens the pop-up
import -window root "$out/popup.png"

# The calendar view: January 2011 (six rows), February 2015 (four rows), the
# current month with a few birthdays, and a day's balloon tip; at 1x and 2x,
# on a screen of its own large enough for the doubled window.
cal="$work/calendar"
mkdir -p "$cal"
"$root/build/src/reminders/annivo-makedb" "$cal/data.db" >/dev/null
printf '[Settings]\r\nActiveView=1\r\n' > "$cal/annivo.ini"
month=$(date +%m)
for person in "李四|1982-$month-03|阳历" "王小明|1990-$month-17|阳历" "欧阳娜娜|1975-$month-25|阳历" "赵六|1960-$month-09|阴历"; do
    IFS='|' read -r name birth kind <<< "$person"
    sqlite3 "$cal/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values ('$name','$birth 00:00:00','$kind',33)"
done
export root out cal
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
shoot_calendar() { # picture name, faked date or "", scale
    local name="$1" when="$2" scale="$3" prefix=()
    [ -n "$when" ] && prefix=(faketime "$when 10:00:00")
    ANNIVO_HOME="$cal" QT_SCALE_FACTOR="$scale" "${prefix[@]}" "$root/build/annivo" >/dev/null 2>&1 &
    local pid=$! window attempt
    for attempt in 1 2 3; do # the first window found may be gone again by the time it is taken
        window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
        xdotool windowmove "$window" 0 0 windowactivate --sync "$window"; sleep 2
        import -window "$window" "$out/$name.png" 2>/dev/null && break
    done
    if [ -z "$when" ]; then
        # Rest the mouse on a day in the middle of the grid: its tip shows after half a second.
        eval "$(xdotool getwindowgeometry --shell "$window")"
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 45 / 100)); sleep 0.3
        xdotool mousemove_relative 1 1; sleep 1.5
        import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 40))+0+0" "$out/${name/current/tip}.png"
        xdotool mousemove 0 0
    fi
    pkill -P "$pid" || true; kill "$pid"; wait "$pid" 2>/dev/null || true
}
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    shoot_calendar "calendar-2011-01$suffix" "2011-01-15" "$scale"
    shoot_calendar "calendar-2015-02$suffix" "2015-02-10" "$scale"
    shoot_calendar "calendar-current$suffix" "" "$scale"
done
kill %1'
echo "Screenshots in $out"
