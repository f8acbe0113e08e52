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
    tools=(xvfb icewm imagemagick xdotool sqlite3)
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

# Workbook export and import: the menu, the save dialog, the progress of
# backing up 100,000 people and restoring them, and the closing messages.
xdotool key Escape; sleep 1                      # the pop-up goes
sqlite3 "$work/prog/data.db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<100000) INSERT INTO TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_IsVailid,m_Group) SELECT '联系人'||i,'1980-01-01 00:00:00','阳历',0,0,'同学' FROM n"
xdotool key alt+o; sleep 1
import -window root "$out/exchange-menu.png"
xdotool key e; sleep 2
import -window root "$out/exchange-save.png"
xdotool key ctrl+a; xdotool type --delay 20 "$work/home/backup.xlsx"; xdotool key Return; sleep 1.5
import -window root "$out/exchange-export-progress.png"
sleep 12
import -window root "$out/exchange-exported.png"
xdotool key Return; sleep 1
xdotool key alt+o; sleep 0.5; xdotool key i; sleep 2
import -window root "$out/exchange-open.png"
xdotool type --delay 20 "$work/home/backup.xlsx"; xdotool key Return; sleep 1.5
import -window root "$out/exchange-import-progress.png"
sleep 25
import -window root "$out/exchange-imported.png"
echo "Screenshots in $out"
