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
# The reminder list with people in every state, the reminder editor (narrow
# and with its blessings) and the personal settings, at 1x and 2x.
kill $! 2>/dev/null || true                      # the program above, with its pop-up
sleep 1
day() { date -d "$1" +%m-%d; }
year=${today:0:4}
# At 2x the windows need a larger screen of their own.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 2400x1800x24 >/dev/null 2>&1 &
sleep 2
large=":$(cat "$work/display")"
DISPLAY="$large" icewm >/dev/null 2>&1 &
sleep 2
for scale in 1 2; do
    [ "$scale" = 2 ] && export DISPLAY="$large"
    prog="$work/list$scale"
    mkdir -p "$prog"
    "$root/build/src/reminders/annivo-makedb" "$prog/data.db" >/dev/null
    sqlite3 "$prog/data.db" "Insert Into TiXing (m_State,m_Name,m_Date,m_DateStatus,m_Ahead,m_SoundPath,m_Title) Values
        ('进行','张三','$((year - 31))-$(day today) 23:59:59','阳历',33,'HAPPYBIRTHDAY','生日快乐'),
        ('将到','李四','$((year - 25))-$(day '+2 days') 23:59:59','阳历',31,'',''),
        ('生效','王小明','$((year - 40))-$(day '+20 days') 23:59:59','阳历',77,'',''),
        ('失效','O''Brien','$((year - 52))-$(day '+40 days') 23:59:59','阳历',0,'',''),
        ('生效','欧阳娜娜','$((year - 18))-$(day '-10 days') 23:59:59','阳历',11,'',''),
        ('生效','赵六','1966-03-15 23:59:59','阴历',22,'','')"
    sqlite3 "$prog/data.db" "Update MySetting Set m_Name='小明',m_AcceptEmail='me@example.com',m_Email='me@qq.com',m_ServerName='smtp.qq.com',m_UserName='me',m_Password='pw'"
    ANNIVO_HOME="$prog" QT_SCALE_FACTOR=$scale "$root/build/annivo" >/dev/null 2>&1 &
    sleep 4
    main=$(xdotool search --onlyvisible --name "2011贺岁版" | head -1)
    import -window "$main" "$out/list-${scale}x.png"
    xdotool key --window "$main" alt+o; sleep 1; xdotool key n; sleep 2
    editor=$(xdotool search --onlyvisible --name "增加提醒" | head -1)
    import -window "$editor" "$out/editor-${scale}x.png"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    xdotool mousemove $((X + 45 * scale)) $((Y + HEIGHT - 22 * scale)) click 1; sleep 1  # 祝福语>>
    import -window "$editor" "$out/editor-blessings-${scale}x.png"
    xdotool key Escape; sleep 1
    xdotool key --window "$main" alt+s; sleep 1; xdotool key s; sleep 2
    settings=$(xdotool search --onlyvisible --name "个人设置中心" | head -1)
    import -window "$settings" "$out/settings-${scale}x.png"
    xdotool key Escape; sleep 1
    kill $! 2>/dev/null || true
    sleep 1
done
echo "Screenshots in $out"
