#!/usr/bin/env bash
# Installs the Debian packages Annivo needs to build, run and test.
# The one list of packages; quiet when everything is already there.
set -euo pipefail

PACKAGES=(
    # build and test tools
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    # libraries
    qt6-base-dev qt6-svg-dev libicu-dev libsqlite3-dev
    # fontconfig, which Qt uses, is asked to read its configuration early at start-up
    libfontconfig-dev
    # mail over TLS: OpenSSL, the system's certificate store; the mail tests
    # make their certificates with the openssl tool and read mails with Python's email package
    libssl-dev ca-certificates openssl python3
    # sound: SDL2_mixer plays wave, MIDI (through FluidSynth) and MP3; MIDI needs a sound font
    libsdl2-mixer-dev timgm6mb-soundfont
    # a font, so that widget tests can measure and draw text without a desktop
    fonts-dejavu-core
    # Chinese text on a real desktop
    fonts-noto-cjk
    # online update: HTTP(S) downloads, and SHA-256 digests of the downloaded files
    libcurl4-openssl-dev libssl-dev ca-certificates
    # the calendar's day numbers: a bold serif metric-compatible with Times New Roman
    fonts-liberation2
    # installing: Qt's own texts in Chinese, and the validators of the
    # launcher and the AppStream metainfo that the install test runs
    qt6-translations-l10n desktop-file-utils appstream
    # workbooks: .xlsx written by libxlsxwriter, read through minizip + expat; .xls read by FreeXL
    libxlsxwriter-dev libminizip-dev libexpat1-dev libfreexl-dev
    # calendar files written through libical; the tests read them back with
    # Python's icalendar package as another calendar program would
    libical-dev python3-icalendar
    # the vCard tests read the cards the export writes with a second reader, Python's vobject
    python3-vobject
    # the calendar publish tests run a real CalDAV server, Radicale, on 127.0.0.1
    radicale
    # the calendar's password in the desktop's secret store; its tests run
    # GNOME Keyring in a private D-Bus session
    qtkeychain-qt6-dev gnome-keyring dbus-daemon
    # the start-up benchmark (bench/startup.sh): a private X server, and XCB to
    # see the window mapped
    xvfb xauth libxcb1-dev
    # the Debian package: dpkg-shlibdeps works out its dependencies for
    # cpack, lintian checks it (tools/package-test.sh)
    dpkg-dev lintian
    # reminders in the desktop's notification list go over D-Bus (QtDBus is part
    # of qt6-base-dev); their tests run a private session bus and the dunst
    # notification service on a private X server
    dbus-daemon dunst
    # the Wayland session test: Qt's Wayland platform, a headless weston, and
    # libfaketime to set the day the real program runs on
    qt6-wayland weston faketime
    # CI's fuzz targets: clang with libFuzzer's runtime, and llvm-symbolizer for
    # readable stacks (the sanitizer build itself uses g++)
    clang libclang-rt-14-dev llvm
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
