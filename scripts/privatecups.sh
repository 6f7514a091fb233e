# Sourced by the test scripts, after lib.sh: CUPS servers of the test run's own, on private sockets, the
# machine's own printing setup left alone. cupsd runs as root (cups-pdf's backend must),
# through sudo when needed. The main server has a cups-pdf queue as its default printer and
# queues that fail as a user's printer does; a second one has no printer at all.

PrivateCupsDirs=()
PrivateCupsPids=()

# Starts cupsd in the folder given, or in a new one, left in StartedCupsDir; its socket is
# the folder's cups.sock, its process id in the folder's file pid. With a size, its spool is
# a tmpfs of that size, mounted in a mount namespace of cupsd's own.
StartedCupsDir=
start_cupsd() {
    local dir=${1:-} spool_size=${2:-}
    if [ -z "$dir" ]; then dir=$(mktemp -d /tmp/bbtchart-cups.XXXXXX); else mkdir -p "$dir"; fi
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

    # Not through as_root: its process id must be cupsd's (or sudo's) own, to stop it by. Its
    # output goes to its log, so that whoever started it, a CTest fixture too, need not wait
    # for it to end.
    local launch=(cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf")
    [ -z "$spool_size" ] || launch=(unshare -m --propagation private
        sh -c 'mount -t tmpfs -o size="$1",mode=0710 tmpfs "$2" && shift 2 && exec "$@"' sh "$spool_size" "$dir/spool"
        "${launch[@]}")
    if [ "$(id -u)" -eq 0 ]; then
        "${launch[@]}" </dev/null >"$dir/log/cupsd" 2>&1 &
    else
        sudo "${launch[@]}" </dev/null >"$dir/log/cupsd" 2>&1 &
    fi
    echo $! >"$dir/pid"
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

# Starts the main server, in the folder given or in a new one, and points CUPS_SERVER at it.
start_private_cups() {
    start_cupsd "${1:-}" || return 1
    export CUPS_SERVER="$StartedCupsDir/cups.sock"
    lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null && lpadmin -d PDF || return 1
    add_failing_queues
}

# Queues that fail in the ways a user's printer does, for the printing tests to choose
# with PRINTER: one that refuses jobs, one paused, one whose device cannot be written, two
# that hold every job, one that holds it for a password, one that wants a password to take
# it, one whose printer is switched off (its jobs wait until it answers); queues whose paper
# is A5 or Letter, whose pages lie in landscape or go two to a sheet; and PDF printers of one
# test each, so that tests running side by side never count or cancel each other's jobs
# (Proxied takes the jobs that no test counts).
add_failing_queues() {
    local queue
    for queue in Refusing Paused Broken Held HeldByDefault HeldForPassword Password SwitchedOff A5 Letter Landscape TwoUp \
        Window Closing OneSecondLate ThreeSecondsLate PiecesApart PiecesFarApart Stalling Proxied; do
        lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null || return 1
    done
    cupsreject -r "out of paper, refilled tomorrow" Refusing
    cupsdisable -r "paused for the night" Paused
    lpadmin -p Broken -v file:///nonexistent/dir/out
    lpadmin -p Held -o job-hold-until-default=indefinite
    lpadmin -p HeldByDefault -o job-hold-until-default=indefinite
    lpadmin -p HeldForPassword -v password:/
    lpadmin -p Password -o printer-op-policy=password
    lpadmin -p A5 -o PageSize=A5
    lpadmin -p Letter -o PageSize=Letter
    lpadmin -p Landscape -o orientation-requested-default=4
    lpadmin -p TwoUp -o number-up-default=2
    lpadmin -p SwitchedOff -v ipp://127.0.0.1:1/ipp/print
}

# Starts a server, in the folder given, whose spool has no room for a page (16 KiB), with one
# queue, Full; where it cannot, says why in the folder's file why-not.
start_full_spool_cups() {
    local dir=$1
    if ! start_cupsd "$dir" 16k; then
        echo "cupsd with a tmpfs for its spool did not start: $(tail -n 1 "$dir/log/cupsd")" >"$dir/why-not"
        return 0
    fi
    # No driver: lpadmin would send it through the spool.
    CUPS_SERVER="$dir/cups.sock" lpadmin -p Full -E -v file:///dev/null
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
