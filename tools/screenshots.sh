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

# Online update: a server on 127.0.0.1 offers a newer version; 在线更新 lists
# its files, Enter downloads them and offers 确定升级. At 1x and at 2x.
kill "$(jobs -p | sed -n 2p)" 2>/dev/null || true
site="$work/site/mysoft/annivo"
mkdir -p "$site"
printf '[Version]\r\nCurrentVersion=1, 10, 0, 0\r\n[MSG]\r\nm1=生日提醒 1.10 版发布\r\n[DFileName]\r\nf1=annivo.new\r\nf2=festivals.txt\r\n[SaveFileName]\r\nf1=annivo.download\r\n[ReplaceFileName]\r\nf1=annivo\r\nf2=festivals.txt\r\n[FileSize]\r\nf1=2 MB\r\nf2=4 KB\r\n' |
    iconv -f UTF-8 -t GB18030 >"$site/Version.htc"
head -c 2000000 /dev/urandom >"$site/annivo.new"
head -c 4000 /dev/urandom >"$site/festivals.txt"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
printf '[Version]\r\nUrlPath=http://127.0.0.1:%s/\r\n' "$port" >"$work/prog/annivo.ini"
sqlite3 "$work/prog/data.db" "Update MySetting Set m_IsLock=0"
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="@2x"
    QT_SCALE_FACTOR=$scale "$root/build/annivo" >/dev/null 2>&1 &
    app=$!
    sleep 3
    xdotool key alt+h; sleep 1; xdotool key u; sleep 3   # 帮助 > 在线更新
    import -window root "$out/update-list$suffix.png"
    xdotool key Return; sleep 3                          # 确定: download
    import -window root "$out/update-done$suffix.png"
    xdotool key Escape; sleep 1
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
done
echo "Screenshots in $out"
