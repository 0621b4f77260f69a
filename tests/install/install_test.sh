#!/usr/bin/env bash
# Installs the Debian package into a scratch root as dpkg installs it on a
# user's machine, and checks what the user gets: the program, its menu entry
# and icons, the capability the postinst gives the program, and a green echo
# check for a user who is not root. The echo goes to 127.0.0.1 only.
#
#   install_test.sh package <CPackConfig.cmake> <scratch>   (the fixture)
#   install_test.sh contents <scratch> <version>
#   install_test.sh desktop-entry <scratch>
#   install_test.sh postinst <scratch>
#   install_test.sh echo-as-nobody <scratch> <echo_as_user program>
#   install_test.sh window-as-nobody <scratch>
#
# Exit status 77: skipped, with the reason on the output.
set -euo pipefail
umask 022

failures=0
skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
finish() {
    [ "$failures" -eq 0 ] && echo "passed" && exit 0
    exit 1
}
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
    done
}
need_root() {
    [ "$(id -u)" -eq 0 ] || skip "needs root: $*"
}
need_installed() {
    [ -f "$scratch/installed-by" ] || skip "no package in $scratch (see the test install.package)"
    deb=$scratch/linkwart.deb
    root=$scratch/root
}
need_dpkg_install() {
    [ "$(cat "$scratch/installed-by")" = dpkg ] ||
        skip "the package was only unpacked, not installed by dpkg, so its postinst never ran"
}

# The unprivileged user: no groups, no capabilities but those of the file run.
as_nobody() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
}
nobody_can_reach() {
    as_nobody test -x "$1" || skip "user nobody cannot reach $1 (a parent folder is closed)"
}
# Debian's default range "1 0" admits no group to ping sockets, so only a raw
# socket, and with it the capability, lets an ordinary user's echo through.
ping_sockets_admit_nobody() {
    local low high gid
    read -r low high </proc/sys/net/ipv4/ping_group_range
    gid=$(getent group nogroup | cut -d: -f3)
    [ "$low" -le "$gid" ] && [ "$gid" -le "$high" ]
}
has_net_raw() {
    getcap "$1" | grep -q 'cap_net_raw[=+]ep'
}

# ---------------------------------------------------------------------------

make_package() {
    local config=$1
    # Never leave an older package for the checks to find.
    rm -rf "$scratch"
    need_tools cpack dpkg dpkg-deb dpkg-shlibdeps
    mkdir -p "$scratch"
    if ! cpack --config "$config" -G DEB -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1; then
        cat "$scratch/cpack.log"
        fail "cpack could not make the package"
        finish
    fi
    local debs
    mapfile -t debs < <(find "$scratch/cpack" -maxdepth 1 -name '*.deb')
    [ ${#debs[@]} -eq 1 ] || {
        fail "cpack made ${#debs[@]} packages: ${debs[*]}"
        finish
    }
    echo "package: ${debs[0]}"
    ln -s "${debs[0]}" "$scratch/linkwart.deb"
    dpkg-deb -e "${debs[0]}" "$scratch/control"

    root=$scratch/root
    if [ "$(id -u)" -eq 0 ]; then
        # A real install into an empty root. The maintainer scripts run here,
        # not in a chroot (the root has no shell), with DPKG_ROOT set; the
        # libraries the package depends on are on this machine, not in the
        # root.
        mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
        touch "$root/var/lib/dpkg/status"
        if ! dpkg --root="$root" --log=/dev/null --force-script-chrootless --force-depends \
            -i "${debs[0]}" >"$scratch/dpkg.log" 2>&1; then
            cat "$scratch/dpkg.log"
            fail "dpkg could not install the package"
            finish
        fi
        # All but the complaints about the dependencies this root lacks.
        grep -v -e 'depends on' -e 'is not installed' -e 'configuring anyway' "$scratch/dpkg.log" || true
        echo dpkg >"$scratch/installed-by"
    else
        echo "not root: unpacking only; the postinst does not run"
        dpkg-deb -x "${debs[0]}" "$root"
        echo dpkg-deb >"$scratch/installed-by"
    fi
    finish
}

check_contents() {
    local version=$1
    need_installed
    need_tools dpkg-deb dpkg-query file

    # Everything the package installs, and nothing else (no headers, static
    # libraries or test programs slipping in through someone's install rule).
    local expected=(
        usr/bin/linkwart
        usr/share/applications/linkwart.desktop
        usr/share/doc/linkwart/copyright
        usr/share/icons/hicolor/128x128/apps/linkwart.png
        usr/share/icons/hicolor/32x32/apps/linkwart.png
        usr/share/icons/hicolor/64x64/apps/linkwart.png
    )
    local listing
    listing=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort)
    if ! diff -u <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(echo "$listing"); then
        fail "the package's files differ from the list above (- expected, + packaged)"
    fi

    [ "$(dpkg-deb -f "$deb" Package)" = linkwart ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
        fail "version $(dpkg-deb -f "$deb" Version), the project's is $version"
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] ||
        fail "architecture $(dpkg-deb -f "$deb" Architecture)"
    [ "$(dpkg-deb -f "$deb" Section)" = net ] || fail "section $(dpkg-deb -f "$deb" Section)"

    # The libraries come from dpkg-shlibdeps, so the Qt and C libraries are
    # there without anyone listing them; setcap is there for the postinst.
    local depends names name
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for name in libc6 libqt6widgets6 libcap2-bin; do
        grep -qE "(^|, )$name( |,|$)" <<<"$depends" || fail "Depends lacks $name"
    done
    # Every dependency is a package this machine has, so the package installs
    # here with apt (versions are dpkg-shlibdeps' minimums of what we linked).
    names=$(sed -e 's/ *([^)]*)//g' -e 's/ *|[^,]*//g' -e 's/, */\n/g' <<<"$depends")
    while read -r name; do
        dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' ||
            fail "dependency $name is not installed on this machine"
    done <<<"$names"

    local program=$root/usr/bin/linkwart
    [ -x "$program" ] || fail "$program is not executable"
    file -b "$program" | grep -q '^ELF.*executable' || fail "$program: $(file -b "$program")"
    local size
    for size in 32x32 64x64 128x128; do
        local icon=$root/usr/share/icons/hicolor/$size/apps/linkwart.png
        file -b "$icon" | grep -q "^PNG image data, ${size/x/ x }," ||
            fail "$icon is not a $size PNG: $(file -b "$icon")"
    done
    finish
}

check_desktop_entry() {
    need_installed
    need_tools desktop-file-validate
    local entry=$root/usr/share/applications/linkwart.desktop
    [ -f "$entry" ] || {
        fail "no menu entry at $entry"
        finish
    }
    local report
    report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate rejects $entry"
    [ -z "$report" ] || fail "desktop-file-validate: $report"

    value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
    # Exec names a program the package installs on the PATH.
    local exec program
    exec=$(value Exec)
    program=${exec%% *}
    case $program in
        /*) program=$root$program ;;
        *) program=$root/usr/bin/$program ;;
    esac
    [ -x "$program" ] || fail "Exec=$exec: no program $program in the package"
    # Icon is a theme name (no path, no extension) found in hicolor, the
    # theme every desktop falls back to.
    local icon
    icon=$(value Icon)
    [[ $icon != */* && $icon != *.* ]] || fail "Icon=$icon is not a theme icon name"
    [ -f "$root/usr/share/icons/hicolor/32x32/apps/$icon.png" ] ||
        fail "Icon=$icon: not in the package's hicolor icons"
    # The menus file it under "Netzwerk" (Internet on some desktops).
    [[ ";$(value Categories);" == *";Network;"* ]] || fail "Categories=$(value Categories) lacks Network"
    finish
}

expect_fallback() {
    local name=$1 status=$2 output=$3
    echo "$name: status $status: $output"
    [ "$status" -eq 0 ] || fail "$name: the postinst failed (status $status)"
    grep -q 'cap_net_raw' <<<"$output" || fail "$name: the postinst did not say why"
}

check_postinst() {
    need_root "setting file capabilities"
    need_installed
    need_dpkg_install
    need_tools setcap getcap unshare mount
    local postinst=$scratch/control/postinst
    local program=$root/usr/bin/linkwart

    echo "installed: $(getcap "$program")"
    has_net_raw "$program" || fail "dpkg's run of the postinst did not give $program cap_net_raw+ep"

    # Where the capability cannot be set, the install still succeeds and says
    # why the ping check may fail.
    local target=$scratch/fallback output status
    rm -rf "$target"
    mkdir -p "$target"
    set +e
    # A file system that keeps no capabilities: ramfs, mounted privately.
    # shellcheck disable=SC2016 # the inner shell expands them
    output=$(unshare --mount sh -c '
        mount -t ramfs ramfs "$1" && mkdir -p "$1/usr/bin" && cp "$2" "$1/usr/bin/linkwart" &&
            DPKG_ROOT=$1 "$3" configure && ! getcap "$1/usr/bin/linkwart" | grep -q cap_' \
        _ "$target" "$program" "$postinst" 2>&1)
    status=$?
    set -e
    expect_fallback "a file system without capabilities" "$status" "$output"

    mkdir -p "$target/usr/bin"
    cp "$program" "$target/usr/bin/linkwart"
    set +e
    output=$(DPKG_ROOT=$target PATH=/nonexistent /bin/sh "$postinst" configure 2>&1)
    status=$?
    set -e
    expect_fallback "no setcap on the PATH" "$status" "$output"
    rm -rf "$scratch/fallback"
    finish
}

check_echo_as_nobody() {
    local echo_program=$1
    need_root "switching to user nobody and setting file capabilities"
    need_installed
    need_tools setpriv setcap getcap
    # The test program stands where the postinst expects the program, so the
    # package's own postinst gives it its capability.
    local probe=$scratch/probe
    rm -rf "$probe"
    mkdir -p "$probe/usr/bin"
    cp "$echo_program" "$probe/usr/bin/linkwart"
    local program=$probe/usr/bin/linkwart
    nobody_can_reach "$program"

    local output status
    set +e
    output=$(as_nobody "$program")
    status=$?
    set -e
    echo "as nobody, without the capability: $output"
    if ping_sockets_admit_nobody; then
        echo "note: net.ipv4.ping_group_range admits nobody, so the echo needs no capability here"
    else
        if [ "$status" -eq 0 ] || ! grep -q '^socket: none' <<<"$output"; then
            fail "without the capability, nobody should get no ICMP socket at all"
        fi
    fi

    DPKG_ROOT=$probe "$scratch/control/postinst" configure
    echo "after the postinst: $(getcap "$program")"
    has_net_raw "$program" || fail "the postinst did not give the program cap_net_raw+ep"

    set +e
    output=$(as_nobody "$program")
    status=$?
    set -e
    echo "as nobody, with the capability: $output"
    [ "$status" -eq 0 ] || fail "the echo to 127.0.0.1 was not answered"
    if ! ping_sockets_admit_nobody; then
        grep -q '^socket: raw' <<<"$output" || fail "expected the echo over a raw socket"
    fi
    finish
}

# ---------------------------------------------------------------------------
# The installed program's own window, run by nobody on a private X server:
# type 127.0.0.1, press "Starten", read the lamps off the screen.

# Client-area positions of the controls, from the window's layout.
readonly EDIT1_CENTRE=(140 42)
readonly BUTTON1_CENTRE=(120 296)
readonly ALED1_BODY=(155 159)
readonly ALED4_BODY=(155 231)
readonly LAMP_OFF=C0C0C0 LAMP_GREEN=00FF00 LAMP_RED=FF0000

xvfb_pid='' app_pid=''
stop_process() {
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
# shellcheck disable=SC2317 # called by the EXIT trap
stop_window_processes() {
    stop_process "$app_pid"
    stop_process "$xvfb_pid"
    app_pid='' xvfb_pid=''
}

start_display() {
    # Xvfb picks a free display and names it when it accepts clients.
    : >"$scratch/display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -ac 3>"$scratch/display" \
        >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$scratch/display" ] && break
        sleep 0.1
    done
    [ -s "$scratch/display" ] || {
        cat "$scratch/xvfb.log"
        fail "Xvfb did not start"
        finish
    }
    DISPLAY=:$(cat "$scratch/display")
    export DISPLAY
}

lamp_colour() {
    local shot=$1 x=$2 y=$3
    convert "$shot" -crop "1x1+$x+$y" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | tr -d '#'
}

# Runs one check of 127.0.0.1 in the window of $1 (as nobody) and sets lamps
# to the colours of ALed1 and ALed4 once the echo lamp has its verdict, and
# window_class to the window's WM_CLASS.
run_window() {
    local program=$1 log=$2
    lamps="no window" window_class=
    env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME=/nonexistent \
        setpriv --reuid=nobody --regid=nogroup --clear-groups "$program" >"$log" 2>&1 &
    app_pid=$!
    local window
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Linkwarter$' | head -n 1) || true
    if [ -z "$window" ]; then
        cat "$log"
        stop_process "$app_pid"
        return 0
    fi
    window_class=$(xprop -id "$window" WM_CLASS | cut -d= -f2)
    xdotool mousemove --window "$window" "${EDIT1_CENTRE[@]}" click 1
    xdotool type --delay 20 127.0.0.1
    xdotool mousemove --window "$window" "${BUTTON1_CENTRE[@]}" click 1
    local shot=$scratch/window.png aled1=$LAMP_OFF aled4=$LAMP_OFF
    for _ in $(seq 40); do
        sleep 0.25
        xwd -id "$window" -silent | convert xwd:- "$shot"
        aled1=$(lamp_colour "$shot" "${ALED1_BODY[@]}")
        aled4=$(lamp_colour "$shot" "${ALED4_BODY[@]}")
        [ "$aled4" != "$LAMP_OFF" ] && break
    done
    stop_process "$app_pid"
    app_pid=
    lamps="$aled1 $aled4"
}

check_window_as_nobody() {
    need_root "switching to user nobody"
    need_installed
    need_dpkg_install
    need_tools setpriv getcap Xvfb xdotool xwd xprop convert timeout
    local program=$root/usr/bin/linkwart
    nobody_can_reach "$program"
    has_net_raw "$program" || fail "the installed program lacks cap_net_raw+ep"
    trap stop_window_processes EXIT
    start_display

    run_window "$program" "$scratch/window.log"
    echo "installed program as nobody: ALed1 ALed4 = $lamps"
    [ "$lamps" = "$LAMP_GREEN $LAMP_GREEN" ] ||
        fail "expected the sockets lamp and the echo lamp green (${LAMP_GREEN})"
    cp "$scratch/window.png" "$scratch/window-installed.png"
    # The window belongs to its menu entry: desktops match them by WM_CLASS.
    [[ $window_class == *'"linkwart"'* ]] ||
        fail "the window's WM_CLASS$window_class does not name linkwart.desktop"

    # The same program without the capability shows what it adds.
    if ping_sockets_admit_nobody; then
        echo "note: net.ipv4.ping_group_range admits nobody, so the echo needs no capability here"
    else
        mkdir -p "$scratch/nocap"
        cp "$program" "$scratch/nocap/linkwart"
        run_window "$scratch/nocap/linkwart" "$scratch/window-nocap.log"
        echo "the same program without the capability: ALed1 ALed4 = $lamps"
        [ "$lamps" = "$LAMP_GREEN $LAMP_RED" ] ||
            fail "without the capability the echo lamp should be red (${LAMP_RED})"
    fi
    finish
}

# ---------------------------------------------------------------------------

command=${1:-}
case $command in
    package)
        scratch=$3
        make_package "$2"
        ;;
    contents)
        scratch=$2
        check_contents "$3"
        ;;
    desktop-entry)
        scratch=$2
        check_desktop_entry
        ;;
    postinst)
        scratch=$2
        check_postinst
        ;;
    echo-as-nobody)
        scratch=$2
        check_echo_as_nobody "$3"
        ;;
    window-as-nobody)
        scratch=$2
        check_window_as_nobody
        ;;
    *)
        echo "usage: $0 package|contents|desktop-entry|postinst|echo-as-nobody|window-as-nobody ..." >&2
        exit 2
        ;;
esac
