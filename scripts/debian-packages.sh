# Sourced by the set-up scripts, after lib.sh: the Debian packages the project needs, and
# installing those that are not installed yet.

# What building and running the program needs.
BuildPackages=(g++ cmake ninja-build qt6-base-dev qt6-wayland libcups2-dev fonts-ipafont-gothic)
# What the test suite needs besides: GoogleTest, a CUPS server with a PDF printer, pdftoppm,
# an X server for the window tests that read the screen, a headless Wayland compositor, a
# D-Bus session with the AT-SPI bus and the Python bindings a screen reader reads it with,
# clang-format for the style check.
TestPackages=(libgtest-dev libgmock-dev cups-daemon cups-client printer-driver-cups-pdf poppler-utils xvfb xdotool
    weston dbus-daemon libglib2.0-bin at-spi2-core python3-pyatspi clang-format)

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
