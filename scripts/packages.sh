# Sourced by the set-up scripts: installs Debian packages that are not installed yet.

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "Installing ${missing[*]}"
    "${as_root[@]}" apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# What building and running the program needs.
BuildPackages=(g++ cmake ninja-build qt6-base-dev qt6-wayland pkg-config libxcb1-dev libwayland-dev libcups2-dev fonts-ipafont-gothic)
# What the test suite needs besides: GoogleTest, a CUPS server with a PDF printer, pdftoppm,
# an X server for the window tests that read the screen, clang-format for the style check.
TestPackages=(libgtest-dev libgmock-dev cups-daemon cups-client printer-driver-cups-pdf poppler-utils xvfb xdotool clang-format)

# Runs the command given every tenth of a second, up to 30 s, until it succeeds.
wait_until() {
    local tries
    for tries in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    echo "gave up waiting until: $*" >&2
    return 1
}
