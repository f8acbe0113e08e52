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
    tools=(xvfb icewm imagemagick xdotool x11-utils sqlite3 faketime)
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
# A window that did not come up gives an empty id, and import would then wait
# for a mouse click for ever. A wrapper first on the PATH, which the sections
# run in a shell of their own find too, takes the whole screen instead, says
# which picture it was, and never waits long on one picture.
mkdir -p "$work/bin"
cat >"$work/bin/import" <<'EOF'
#!/usr/bin/env bash
args=("$@")
for i in "${!args[@]}"; do
    if [ "${args[$i]}" = -window ] && [ -z "${args[$((i + 1))]:-}" ]; then
        echo "screenshots: no window for ${args[-1]}; taking the whole screen" >&2
        args[$((i + 1))]=root
    fi
done
exec timeout 30 /usr/bin/import "${args[@]}"
EOF
chmod +x "$work/bin/import"
export PATH="$work/bin:$PATH"
mkdir -p "$work/prog" "$work/home" "$work/config"
"$root/build/src/storage/annivo-makedb" "$work/prog/data.db" >/dev/null
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
    "$root/build/src/storage/annivo-makedb" "$prog/data.db" >/dev/null
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
    # A lunar 二月三十 typed in: from the name to the year, then the month and the day.
    xdotool key Tab Tab Tab; sleep 0.5
    xdotool key ctrl+a; xdotool type --delay 50 1980; xdotool key Tab Home Down Tab End; sleep 1
    import -window "$editor" "$out/editor-lunar-${scale}x.png"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    xdotool mousemove $((X + 45 * scale)) $((Y + HEIGHT - 22 * scale)) click 1; sleep 1  # 祝福语>>
    import -window "$editor" "$out/editor-blessings-${scale}x.png"
    xdotool key Escape; sleep 1
    xdotool key --window "$main" alt+s; sleep 1; xdotool key s; sleep 2
    settings=$(xdotool search --onlyvisible --name "个人设置中心" | head -1)
    import -window "$settings" "$out/settings-${scale}x.png"
    xdotool key Escape; sleep 1
    xdotool key --window "$main" alt+o; sleep 1; xdotool key c; sleep 2   # 操作 > 导出日历
    calendarExport=$(xdotool search --onlyvisible --name "导出日历" | head -1)
    import -window "$calendarExport" "$out/export-calendar-${scale}x.png"
    xdotool key Escape; sleep 1
    xdotool key --window "$main" alt+s; sleep 1; xdotool key y; sleep 2   # 设定 > 日历同步
    calendarSync=$(xdotool search --onlyvisible --name "日历同步" | head -1)
    import -window "$calendarSync" "$out/calendar-sync-${scale}x.png"
    xdotool key Escape; sleep 1
    kill $! 2>/dev/null || true
    sleep 1
done
# The hint line after a reminder mail went out through a server that offers no
# TLS: the success text and the note that the password went unencrypted; at 1x
# and 2x, on a screen of its own large enough for the doubled window.
mail="$work/mail"
mkdir -p "$mail"
"$root/build/src/storage/annivo-makedb" "$mail/data.db" >/dev/null
python3 - "$mail/port" >/dev/null 2>&1 <<'PY' &
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(4)
open(sys.argv[1], "w").write(str(server.getsockname()[1]))
while True:
    connection, _ = server.accept()
    connection.sendall(b"220 localhost ESMTP\r\n")
    step = None
    for line in connection.makefile("rb"):
        if step == "data":
            if line == b".\r\n":
                step = None
                connection.sendall(b"250 queued\r\n")
        elif step in ("user", "pass"):
            connection.sendall(b"334 UGFzc3dvcmQ6\r\n" if step == "user" else b"235 ok\r\n")
            step = "pass" if step == "user" else None
        elif line[:4].upper() == b"EHLO":
            connection.sendall(b"250-localhost\r\n250 AUTH LOGIN\r\n")
        elif line[:4].upper() == b"AUTH":
            connection.sendall(b"334 VXNlcm5hbWU6\r\n")
            step = "user"
        elif line[:4].upper() == b"DATA":
            connection.sendall(b"354 go ahead\r\n")
            step = "data"
        elif line[:4].upper() == b"QUIT":
            connection.sendall(b"221 bye\r\n")
            break
        else:
            connection.sendall(b"250 ok\r\n")
    connection.close()
PY
smtp=$!
while [ ! -s "$mail/port" ]; do sleep 0.2; done
sqlite3 "$mail/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values ('张三','$(( ${today:0:4} - 31 ))-${today:5:5} 00:00:00','阳历',33)"
sqlite3 "$mail/data.db" "Update MySetting Set m_DayWnd=0,m_DayEmail=1,m_AcceptEmail='me@example.com',m_SmtpSelect=0,m_ServerName='127.0.0.1:$(cat "$mail/port")',m_Email='me@example.com',m_UserName='me',m_Password='pw'"
export root out mail reset="Update TiXing Set m_State='生效'"
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    sqlite3 "$mail/data.db" "$reset"
    ANNIVO_HOME="$mail" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"
    sleep 25                                     # the first tick sends the mail
    import -window "$window" "$out/mailhint$suffix.png"
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'
kill "$smtp"
# The calendar view: January 2011 (six rows), February 2015 (four rows),
# months with 除夕 and with leap months, the
# current month with a few birthdays, and a day's balloon tip; at 1x and 2x,
# on a screen of its own large enough for the doubled window.
cal="$work/calendar"
mkdir -p "$cal"
"$root/build/src/storage/annivo-makedb" "$cal/data.db" >/dev/null
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
    shoot_calendar "calendar-2026-02$suffix" "2026-02-10" "$scale" # 除夕 on 腊月廿九
    shoot_calendar "calendar-2028-06$suffix" "2028-06-10" "$scale" # 闰五月
    shoot_calendar "calendar-2033-12$suffix" "2033-12-10" "$scale" # 闰十一月, the longest label
    shoot_calendar "calendar-current$suffix" "" "$scale"
done
kill %1'

# Two reminders due at once: their pop-ups cascade. Then the About dialog with
# the keyboard on its link (Tab), and the main window alone for the README.
two="$work/two"
mkdir -p "$two"
"$root/build/src/storage/annivo-makedb" "$two/data.db" >/dev/null
for person in "李四|$(( ${today:0:4} - 40 ))" "王五|$(( ${today:0:4} - 25 ))"; do
    sqlite3 "$two/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values ('${person%|*}','${person#*|}-${today:5:5} 00:00:00','阳历',33)"
done
export two
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    sqlite3 "$two/data.db" "$reset"
    ANNIVO_HOME="$two" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"
    sleep 2
    [ "$scale" = 1 ] && import -window "$window" "$out/mainwindow.png"
    sleep 23                                     # the first tick opens both pop-ups
    import -window root "$out/popups$suffix.png"
    for popup in $(xdotool search --onlyvisible --pid "$pid" --name "^提醒$"); do
        xdotool windowactivate --sync "$popup" key Escape; sleep 1
    done
    xdotool windowactivate --sync "$window"; sleep 1
    xdotool key alt+h; sleep 1; xdotool key a; sleep 2
    xdotool key Tab; sleep 1
    import -window root "$out/about$suffix.png"
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'

# Workbook export and import: the menu, the save and open dialogs, the
# progress of backing up 100,000 people and restoring them, and the closing
# messages; at 1x and 2x, on a screen large enough for the doubled window.
exchange="$work/exchange"
mkdir -p "$exchange/home"
"$root/build/src/storage/annivo-makedb" "$exchange/data.db" >/dev/null
# 100,000 people, exported; then renamed behind the program's back, so that
# the import of the backup brings every one in again rather than skipping them.
people="Delete From TiXing; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<100000) INSERT INTO TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_IsVailid,m_Group) SELECT '联系人'||i,'1980-01-01 00:00:00','阳历',0,0,'同学' FROM n"
renamed="Update TiXing Set m_Name='旧'||m_Name"
export exchange people renamed
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    shot() { import -window root -crop "$(( 800 * scale ))x$(( 560 * scale ))+0+0" "$out/exchange-$1$suffix.png"; }
    rm -f "$exchange/home/backup.xlsx"
    sqlite3 "$exchange/data.db" "$people"
    HOME="$exchange/home" ANNIVO_HOME="$exchange" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"
    xdotool key alt+o; sleep 1
    shot menu
    xdotool key e; sleep 2
    shot save
    xdotool key ctrl+a; xdotool type --delay 20 "$exchange/home/backup.xlsx"; xdotool key Return; sleep 1.5
    shot export-progress
    sleep 12
    shot exported
    xdotool key Return; sleep 1
    sqlite3 "$exchange/data.db" "$renamed"
    xdotool key alt+o; sleep 0.5; xdotool key i; sleep 2
    shot open
    xdotool type --delay 20 "$exchange/home/backup.xlsx"; xdotool key Return; sleep 1.5
    shot import-progress
    sleep 25
    shot imported
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'
# The festival editor over the calendar: as it opens (focus in the name
# field), the message after Enter added a festival, and the new row selected
# with 更新/删除 offered; at 1x and 2x, on a screen large enough for both.
fest="$work/festivals"
mkdir -p "$fest"
printf '[Settings]\r\nActiveView=1\r\n[Festival]\r\n24Fest=1\r\nBirthday=0\r\n' > "$fest/annivo.ini"
export root out fest
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    rm -f "$fest/data.db"; "$root/build/src/storage/annivo-makedb" "$fest/data.db" >/dev/null
    ANNIVO_HOME="$fest" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"; sleep 1
    xdotool key alt+s; sleep 1; xdotool key f; sleep 2            # 设定 > 节日DIY
    shot() { import -window root -crop "$(( 900 * scale ))x$(( 640 * scale ))+0+0" "$out/festivals$1$suffix.png"; }
    shot ""
    xdotool type --delay 80 "O'"'"'Brien纪念日"; xdotool key Return; sleep 1.5
    shot -added
    xdotool key Return; sleep 1
    shot -selected
    xdotool key Escape; sleep 1
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'

# The address book with a few groups (one outside the list of four, and a
# reminder without a group): blank for a new contact, a contact found by 搜索,
# a 阴历 contact, the question before 删除, and the window at its smallest
# size with a company address longer than its field (and the calendar and the
# list at that size); then the personal settings with no server yet (the field
# shows the form it takes); at 1x and 2x, on a screen large enough for 2x.
book="$work/addressbook"
mkdir -p "$book"
"$root/build/src/storage/annivo-makedb" "$book/data.db" >/dev/null
sqlite3 "$book/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_IsVailid,m_Group,m_Mobile,m_Email,m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_HomeAddr) Values
    ('张三','1981-05-12 00:00:00','阳历',1,'同学','13800138000','zhangsan@example.com','北京大学','计算机系','学生','010-62751234','北京市海淀区颐和园路5号北京大学理科一号楼一四零八室计算机系办公室转交张三同学亲收','北京市朝阳区建国路88号'),
    ('李四','1979-08-03 00:00:00','阴历',0,'同事','13900139000','lisi@example.com','','','','','',''),
    ('王小明','1990-01-20 00:00:00','阳历',1,'朋友','','','','','','','',''),
    ('O''Brien','1925-03-07 00:00:00','阳历',0,'朋友','','obrien@example.com','','','','','',''),
    ('吉𠮷','1988-11-30 00:00:00','阳历',0,'亲人','','','','','','','',''),
    ('欧阳娜娜','1975-02-14 00:00:00','阴历',1,'亲人','','','','','','','',''),
    ('赵六','1966-03-15 00:00:00','阴历',0,'老乡','','','','','','','',''),
    ('孙八','1992-07-01 00:00:00','阳历',1,'','','','','','','','','')"
export root out book
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    # Each run starts in the address book: the last one left the list shown.
    printf "[Settings]\r\nActiveView=2\r\n" > "$book/annivo.ini"
    ANNIVO_HOME="$book" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"; sleep 2
    import -window "$window" "$out/addressbook-new$suffix.png"
    xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab; sleep 0.5 # back to the search box, past 导出名片, 导入名片, the tree and 搜索
    xdotool type --delay 20 "zhang"; xdotool key ctrl+a; xdotool type --delay 50 "张三"
    xdotool key Return; sleep 1
    import -window "$window" "$out/addressbook-contact$suffix.png"
    xdotool key shift+Tab shift+Tab; sleep 0.5                  # from the tree to the search box
    xdotool key ctrl+a; xdotool type --delay 50 "李四"; xdotool key Return; sleep 1
    import -window "$window" "$out/addressbook-lunar$suffix.png" # a 阴历 contact
    xdotool key alt+d; sleep 1
    import -window root -crop "$(( 800 * scale ))x$(( 600 * scale ))+0+0" "$out/addressbook-delete$suffix.png"
    xdotool key Escape; sleep 0.5
    # A script may size a window below its minimum: ask for exactly that minimum.
    smallest=$(xprop -id "$window" WM_NORMAL_HINTS | sed -n "s/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1 \2/p")
    xdotool windowsize "$window" $smallest; sleep 1
    import -window "$window" "$out/addressbook-smallest$suffix.png"
    xdotool key alt+v; sleep 1; xdotool key c; sleep 1.5    # 查看 > 日历, as small
    import -window "$window" "$out/calendar-smallest$suffix.png"
    xdotool key alt+v; sleep 1; xdotool key Down Return; sleep 1.5  # 查看 > 提醒, the entry after 工具栏
    import -window "$window" "$out/list-smallest$suffix.png"
    xdotool key alt+s; sleep 1; xdotool key s; sleep 2       # 设定 > 个人中心
    settings=$(xdotool search --onlyvisible --name "个人设置中心" | head -1)
    import -window "$settings" "$out/settings-new$suffix.png"
    xdotool key Escape; sleep 0.5
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'

# The mail composer with a few contacts in groups and a draft read back (读草稿);
# at 1x and 2x, on a screen large enough for the doubled window.
compose="$work/compose"
mkdir -p "$compose"
"$root/build/src/storage/annivo-makedb" "$compose/data.db" >/dev/null
sqlite3 "$compose/data.db" "Insert Into TiXing (m_Name,m_Group,m_Email,m_Date,m_DateStatus) Values
    ('张三','同学','zhangsan@school.cn','1985-03-02 00:00:00','阳历'),('李四','同事','lisi@work.cn','1980-07-15 00:00:00','阳历'),
    ('王小明','同学','','1986-11-20 00:00:00','阴历'),('O''Brien','朋友','obrien@example.com','1979-01-05 00:00:00','阳历'),
    ('欧阳娜娜','同事','nana@work.cn','1992-05-30 00:00:00','阳历'),('𠮷田','','yoshida@example.jp','1990-09-09 00:00:00','阳历')"
python3 - "$compose/annivo.ini" <<'PY'
import base64, sys
body = "张三你好：\r\n\r\n下周六晚上七点在老地方聚会，给王小明过生日，记得带上礼物。\r\n𠮷田也会来。\r\n\r\n李四"
content = base64.b64encode(body.encode("gb18030")).decode()
ini = "[Mail]\r\nSubject=周六聚会\r\nRecept=zhangsan@school.cn\r\nContent=%s\r\n" % content
open(sys.argv[1], "wb").write(ini.encode("gb18030"))
PY
export root out compose
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    ANNIVO_HOME="$compose" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowactivate --sync "$window"
    xdotool key alt+o; sleep 1; xdotool key Return; sleep 2     # 操作 > 发送邮件, the first entry
    composer=$(xdotool getactivewindow)
    import -window "$composer" "$out/composer-empty$suffix.png"
    xdotool key Tab Tab Tab Tab; sleep 0.5; xdotool key Return; sleep 1                 # 读草稿
    import -window "$composer" "$out/composer-draft$suffix.png"
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'

# A database that can only be read (its -shm cannot be made, as in a
# read-only folder or on a full disk) and one of zero bytes: what start-up
# says, box after box, and the window that follows; at 1x and 2x.
faults="$work/faults"
mkdir -p "$faults/readonly" "$faults/empty"
"$root/build/src/storage/annivo-makedb" "$faults/readonly/data.db" >/dev/null
sqlite3 "$faults/readonly/data.db" "PRAGMA journal_mode=WAL; Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values ('张三','1980-09-12 00:00:00','阳历',33)" >/dev/null
ln -s "$faults/nowhere/x" "$faults/readonly/data.db-shm"
: >"$faults/empty/data.db"
export faults
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    for fault in readonly empty; do
        ANNIVO_HOME="$faults/$fault" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
        pid=$!
        for step in 1 2 3; do
            sleep 3
            import -window root "$out/database-$fault-$step$suffix.png"
            xdotool key Return
        done
        kill "$pid"; wait "$pid" 2>/dev/null || true
    done
done
kill %1'

# A read-only annivo.ini: 设定 > 检测一次退出 tells which file cannot keep the
# choice and why; at 1x and 2x.
settings_ro="$work/readonly-ini"
mkdir -p "$settings_ro"
"$root/build/src/storage/annivo-makedb" "$settings_ro/data.db" >/dev/null
printf '[Settings]\r\nRunOnce=0\r\n' >"$settings_ro/annivo.ini"
chmod 0444 "$settings_ro/annivo.ini"
export settings_ro
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    ANNIVO_HOME="$settings_ro" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowmove "$window" 0 0 windowactivate --sync "$window"
    xdotool key alt+s; sleep 1; xdotool key o; sleep 1.5
    import -window root -crop "$(( 900 * scale ))x$(( 640 * scale ))+0+0" "$out/readonly-ini$suffix.png"
    xdotool key Return; sleep 0.5
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'

# Dialogs over a birthday pop-up: the reminder editor, open when the first tick
# brings the pop-up, stays above it with the keyboard; then the question
# before 删除 comes up above the pop-up; at 1x and 2x.
ask="$work/ask"
mkdir -p "$ask"
"$root/build/src/storage/annivo-makedb" "$ask/data.db" >/dev/null
sqlite3 "$ask/data.db" "Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead) Values ('刘洋','$(( ${today:0:4} - 31 ))-${today:5:5} 00:00:00','阳历',33)"
export root out ask
xvfb-run -a -s "-screen 0 1800x1400x24" bash -c '
icewm >/dev/null 2>&1 & sleep 2
for scale in 1 2; do
    suffix=""; [ "$scale" = 2 ] && suffix="-2x"
    sqlite3 "$ask/data.db" "$reset"
    ANNIVO_HOME="$ask" QT_SCALE_FACTOR="$scale" "$root/build/annivo" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --pid "$pid" --name "生日提醒" | head -1)
    xdotool windowactivate --sync "$window"; sleep 1
    xdotool key alt+o; sleep 1; xdotool key n; sleep 23   # 新增提醒, while the first tick comes
    import -window root "$out/editor-over-popup$suffix.png"
    xdotool key Escape; sleep 1
    xdotool windowactivate --sync "$window"; sleep 1
    xdotool mousemove --window "$window" $((150 * scale)) $((92 * scale)) click 1; sleep 1  # 刘洋
    xdotool key alt+o; sleep 1; xdotool key d; sleep 2   # 删除
    import -window root "$out/question-over-popup$suffix.png"
    xdotool key Escape; sleep 1
    kill "$pid"; wait "$pid" 2>/dev/null || true
done
kill %1'
echo "Screenshots in $out"
