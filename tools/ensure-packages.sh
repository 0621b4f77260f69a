# Sourced by run.sh and test.sh: installs the Debian packages that are
# missing (as root), or names them and stops.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages (install them as root): ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What the Linux program needs to build and run.
LINKWART_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev fonts-liberation
    libgl-dev libvulkan-dev libxkbcommon-dev)
