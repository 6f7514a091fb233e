# Sourced by the scripts that need an X display of their own, after lib.sh: a private Xvfb
# that picks a free display number itself (-displayfd), so that two runs at once, or a run
# beside a desktop, never take the same display.

PrivateXDir=
PrivateXPid=

# Starts the server, waits until it says which display it serves, and exports DISPLAY.
# WAYLAND_DISPLAY and QT_QPA_PLATFORM go, so that Qt programs started from the script open
# their windows here, not on the desktop the script was started from.
start_private_x() {
    PrivateXDir=$(mktemp -d /tmp/bbtchart-x.XXXXXX)
    mkfifo "$PrivateXDir/display"
    # -noreset: a server whose last client leaves starts over, and turns away whoever
    # connects meanwhile, such as the next program a script starts.
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp \
        3>"$PrivateXDir/display" 2>"$PrivateXDir/log" &
    PrivateXPid=$!
    # Xvfb writes the number and a line end once it takes clients; should it die first, the
    # read ends there.
    local number=
    read -r -t 30 number <"$PrivateXDir/display" || true
    if [ -z "$number" ]; then
        echo "Xvfb did not start:" >&2
        cat "$PrivateXDir/log" >&2
        return 1
    fi
    export DISPLAY=":$number"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

stop_private_x() {
    stop "$PrivateXPid"
    [ -n "$PrivateXDir" ] && rm -rf "$PrivateXDir"
    PrivateXPid= PrivateXDir=
}
