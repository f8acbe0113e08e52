#!/usr/bin/env bash
# Runs a test in a private D-Bus session that starts no service by itself,
# with a fresh home, so that it never meets the desktop's own secret store.
# Usage: with_private_bus.sh keyring|none COMMAND...
# With "keyring", GNOME Keyring's secret service runs in the session with a
# new, unlocked keyring; with "none" no secret store runs.
set -euo pipefail
mode=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/services" "$dir/home" "$dir/config" "$dir/data"
mkdir -m 700 "$dir/run"
cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir/run</listen>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
export HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data"
export XDG_RUNTIME_DIR="$dir/run" ANNIVO_PRIVATE_BUS=1
unset DISPLAY WAYLAND_DISPLAY

inner='
set -euo pipefail
mode=$1
shift
keyring=
if [ "$mode" = keyring ]; then
    printf "test-keyring" | gnome-keyring-daemon --foreground --unlock --components=secrets \
        >/dev/null 2>&1 &
    keyring=$!
    for _ in $(seq 200); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q "boolean true" && break
        sleep 0.05
    done
fi
status=0
"$@" || status=$?
[ -n "$keyring" ] && kill "$keyring" 2>/dev/null
exit $status
'
dbus-run-session --config-file="$dir/bus.conf" -- bash -c "$inner" inner "$mode" "$@" 2> >(grep -v "Failed to set fd limit" >&2)
