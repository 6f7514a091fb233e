# Sourced by the test scripts, after lib.sh: CUPS servers of the test run's own, on private sockets, the
# machine's own printing setup left alone. cupsd runs as root (cups-pdf's backend must),
# through sudo when needed. The main server has a cups-pdf queue as its default printer and
# queues that fail as a user's printer does; a second one has no printer at all.

PrivateCupsDirs=()
PrivateCupsPids=()

# Starts cupsd in a new folder, left in StartedCupsDir; its socket is the folder's cups.sock.
StartedCupsDir=
start_cupsd() {
    local dir
    dir=$(mktemp -d /tmp/bbtchart-cups.XXXXXX)
    chmod 755 "$dir"
    mkdir -p "$dir"/{spool,cache,state,log,tmp,ppd}
    chmod 1777 "$dir/tmp"
    [ -f /etc/cups/cups-pdf.conf ] && cp /etc/cups/cups-pdf.conf "$dir/"
    add_password_backend "$dir/bin"

    cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
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
# A printer only some users may print on, with their password.
<Policy password>
  <Limit Create-Job Print-Job Print-URI Validate-Job Send-Document>
    AuthType Basic
    Require user nobody-prints-here
  </Limit>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
    # FileDevice lets a queue write to a file: the test of a device that cannot be written.
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
ServerBin $dir/bin
SystemGroup root
FileDevice Yes
CONF

    # Not through as_root: its process id must be cupsd's (or sudo's) own, to stop it by.
    if [ "$(id -u)" -eq 0 ]; then
        cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
    else
        sudo cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
    fi
    PrivateCupsPids+=($!)
    PrivateCupsDirs+=("$dir")
    wait_until cups_running "$dir/cups.sock" || return 1
    StartedCupsDir=$dir
}

# The machine's filters and backends, and one more: a backend that wants a user name and a
# password to reach its printer, as a shared printer on a Windows server does.
add_password_backend() {
    local bin=$1 part
    mkdir -p "$bin/backend"
    for part in /usr/lib/cups/*; do
        [ "$part" = /usr/lib/cups/backend ] || ln -s "$part" "$bin/"
    done
    ln -s /usr/lib/cups/backend/* "$bin/backend/"
    cat >"$bin/backend/password" <<'BACKEND'
#!/bin/sh
# Without arguments CUPS asks which printers the backend reaches; with them it prints, which
# takes credentials this backend never has (exit status 2: authentication required).
[ $# -eq 0 ] && { echo 'network password "Unknown" "Printer behind a password"'; exit 0; }
cat >/dev/null
exit 2
BACKEND
    chmod 755 "$bin/backend/password"
}

cups_running() {
    CUPS_SERVER=$1 lpstat -r 2>/dev/null | grep -q 'is running'
}

start_private_cups() {
    start_cupsd || return 1
    export CUPS_SERVER="$StartedCupsDir/cups.sock"
    lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null && lpadmin -d PDF || return 1
    add_failing_queues
}

# Queues that fail in the ways a user's printer does, for the printing tests to choose
# with PRINTER: one that refuses jobs, one paused, one whose device cannot be written, one
# that holds every job, one that holds it for a password, one that wants a password to
# take it; and queues whose paper is A5 or Letter, or whose pages lie in landscape.
add_failing_queues() {
    local queue
    for queue in Refusing Paused Broken Held HeldForPassword Password A5 Letter Landscape; do
        lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null || return 1
    done
    cupsreject -r "out of paper, refilled tomorrow" Refusing
    cupsdisable -r "paused for the night" Paused
    lpadmin -p Broken -v file:///nonexistent/dir/out
    lpadmin -p Held -o job-hold-until-default=indefinite
    lpadmin -p HeldForPassword -v password:/
    lpadmin -p Password -o printer-op-policy=password
    lpadmin -p A5 -o PageSize=A5
    lpadmin -p Letter -o PageSize=Letter
    lpadmin -p Landscape -o orientation-requested-default=4
}

stop_private_cups() {
    local pid
    for pid in "${PrivateCupsPids[@]}"; do
        as_root kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    [ ${#PrivateCupsDirs[@]} -eq 0 ] || as_root rm -rf "${PrivateCupsDirs[@]}"
    PrivateCupsPids=() PrivateCupsDirs=()
}

# Starts the servers for a test run; with a printer to hand, the printing tests must not skip.
# The caller stops them with stop_private_cups.
start_cups_for_tests() {
    if start_private_cups && start_cupsd; then
        export BBTCHART_REQUIRE_PRINTER=1
        export BBTCHART_PRINT_DIR="$HOME/PDF"
        export BBTCHART_CUPS_WITHOUT_PRINTERS="$StartedCupsDir/cups.sock"
    else
        echo "CUPS could not be started here: the printing tests on real queues will skip." >&2
    fi
}
