#!/usr/bin/env bash
# Makes the Debian package from the Release build in build/, checks it with
# lintian, installs it with apt-get, starts the installed program as a new user
# who cannot write /usr, and removes the package and the user again, also when
# a step fails. It changes the machine, so tools/test.sh runs it in CI only;
# it refuses to touch an annivo package that is already installed.
#   package-test.sh [build directory]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

fail() {
    echo "package test failed: $*" >&2
    exit 1
}
if dpkg-query -W -f='${Status}' annivo 2>/dev/null | grep -q 'install ok installed'; then
    fail "an annivo package is installed already; remove it first (apt-get remove annivo)"
fi

work=$(mktemp -d)
chmod 755 "$work" # apt reads the package as its own user
user="annivo-test-$$"
installed=0
program=""
running() { # the program has not ended (a zombie has)
    local state
    state=$(ps -o stat= -p "$program" 2>/dev/null) || return 1
    [[ "$state" != Z* ]]
}
cleanup() {
    if [ -n "$program" ]; then
        $sudo kill -KILL "$program" 2>/dev/null || true
    fi
    if [ "$installed" = 1 ]; then
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq annivo >/dev/null ||
            echo "could not remove the annivo package" >&2
    fi
    if id "$user" >/dev/null 2>&1; then
        $sudo userdel -r "$user" 2>/dev/null || echo "could not delete the user $user" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM # through the cleanup

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$work/annivo_${version}_$(dpkg --print-architecture).deb"
echo "Packing $(basename "$deb")"
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
[ -f "$deb" ] || fail "cpack made no $(basename "$deb")"
rm -rf "$work/_CPack_Packages"

lintian --fail-on error "$deb" || fail "lintian found errors"

# Nothing of the build tree or of the developer's own data.
dpkg-deb -x "$deb" "$work/contents"
if grep -rlaF -e "$build" -e "$root" "$work/contents"; then
    fail "the package names the build or source tree in the files above"
fi
[ "$(find "$work/contents" -iname '*.db' -o -iname '*.ini')" = "$work/contents/usr/share/annivo/data.db" ] ||
    fail "the package holds other databases or profiles than the seed"
cmp -s "$work/contents/usr/share/annivo/data.db" "$build/dist/data.db" || fail "the seed is not the one made for installing"

echo "Installing it"
installed=1 # a half-done install is removed too
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install"; }
[ -x /usr/bin/annivo ] && [ -f /usr/share/annivo/packaged ] || fail "the program or its package marker is missing"

$sudo useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# The user's own environment, started in / (the caller's directory may be closed to it).
as_user=($sudo setpriv --reuid="$user" --regid="$user" --init-groups
    env -i --chdir=/ HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy)
if "${as_user[@]}" test -w /usr/bin || "${as_user[@]}" test -w /usr/share/annivo; then
    fail "$user can write /usr"
fi
[ "$("${as_user[@]}" annivo --version)" = "annivo ${version}.0" ] || fail "annivo --version"

# The first start makes the user's data directory with a copy of the seed;
# SIGTERM then ends the program normally.
"${as_user[@]}" annivo >"$work/annivo.log" 2>&1 &
program=$!
data="$home/.local/share/annivo/data.db"
for _ in $(seq 300); do # at most half a minute on a busy machine
    $sudo test -f "$data" && break
    running || break
    sleep 0.1
done
$sudo test -f "$data" || { cat "$work/annivo.log"; fail "the first start made no $data"; }
$sudo kill -TERM "$program"
status=0
for _ in $(seq 100); do
    running || break
    sleep 0.1
done
running && fail "annivo did not end on SIGTERM"
wait "$program" || status=$?
program=""
[ "$status" = 0 ] || { cat "$work/annivo.log"; fail "annivo ended with $status after SIGTERM"; }
[ "$($sudo stat -c %U "$data")" = "$user" ] || fail "$data does not belong to $user"

echo "Removing it"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq annivo >/dev/null
installed=0
[ ! -e /usr/bin/annivo ] || fail "/usr/bin/annivo is still there after apt-get remove"
echo "package built, installed, run and removed"
