# Sourced by the test script: a CUPS server of the test run's own, on a private socket,
# with a cups-pdf queue as its default printer. The machine's own printing setup is left
# alone. cupsd runs as root (cups-pdf's backend must), through sudo when needed.

PrivateCupsDir=
PrivateCupsPid=

start_private_cups() {
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    PrivateCupsDir=$(mktemp -d /tmp/bbtchart-cups.XXXXXX)
    chmod 755 "$PrivateCupsDir"
    mkdir -p "$PrivateCupsDir"/{spool,cache,state,log,tmp,ppd}
    chmod 1777 "$PrivateCupsDir/tmp"
    [ -f /etc/cups/cups-pdf.conf ] && cp /etc/cups/cups-pdf.conf "$PrivateCupsDir/"

    cat >"$PrivateCupsDir/cupsd.conf" <<CONF
Listen $PrivateCupsDir/cups.sock
LogLevel warn
Browsing No
DefaultAuthType None
WebInterface No
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
    cat >"$PrivateCupsDir/cups-files.conf" <<CONF
ServerRoot $PrivateCupsDir
RequestRoot $PrivateCupsDir/spool
CacheDir $PrivateCupsDir/cache
StateDir $PrivateCupsDir/state
TempDir $PrivateCupsDir/tmp
AccessLog $PrivateCupsDir/log/access_log
ErrorLog $PrivateCupsDir/log/error_log
PageLog $PrivateCupsDir/log/page_log
Printcap $PrivateCupsDir/printcap
SystemGroup root
CONF

    "${as_root[@]}" cupsd -f -c "$PrivateCupsDir/cupsd.conf" -s "$PrivateCupsDir/cups-files.conf" &
    PrivateCupsPid=$!
    export CUPS_SERVER="$PrivateCupsDir/cups.sock"
    local tries
    for tries in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        sleep 0.2
    done
    lpstat -r 2>/dev/null | grep -q 'is running' || return 1
    lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null && lpadmin -d PDF
}

stop_private_cups() {
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    if [ -n "$PrivateCupsPid" ]; then
        "${as_root[@]}" kill "$PrivateCupsPid" 2>/dev/null || true
        wait "$PrivateCupsPid" 2>/dev/null || true
    fi
    [ -n "$PrivateCupsDir" ] && "${as_root[@]}" rm -rf "$PrivateCupsDir"
    PrivateCupsPid= PrivateCupsDir=
}

# Starts the server for a test run; with a printer to hand, the printing test must not skip.
start_cups_for_tests() {
    trap stop_private_cups EXIT
    if start_private_cups; then
        export BBTCHART_REQUIRE_PRINTER=1
        export BBTCHART_PRINT_DIR="$HOME/PDF"
    else
        echo "CUPS could not be started here: the printing test on the default printer will skip." >&2
    fi
}
