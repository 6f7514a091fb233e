#!/usr/bin/env bash
# The print servers of a test run, as CTest's fixture starts and stops them, in FOLDER: the
# main one (main/cups.sock) with a PDF printer as its default and the queues that misbehave,
# one with no printer at all (empty/cups.sock), and one whose spool is full (full/cups.sock). The build names the folder, so that the
# tests know the sockets before the servers start; a start first stops what an earlier run
# left there.
set -euo pipefail
action=$1 folder=$2
scripts=$(dirname "$0")/../scripts
source "$scripts/lib.sh"
source "$scripts/privatecups.sh"

# Whether process PID is still the server started in this folder (after a reboot its number
# may belong to another process).
serving_here() {
    grep -qF "$folder" "/proc/$1/cmdline" 2>/dev/null
}
not_serving_here() { ! serving_here "$1"; }

stop_servers() {
    local pidfile pid
    for pidfile in "$folder"/*/pid; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        serving_here "$pid" || continue
        as_root kill "$pid" 2>/dev/null || true
        # Not this script's child: its end is seen, not waited for.
        wait_until not_serving_here "$pid"
    done
    as_root rm -rf "$folder"
}

case $action in
start)
    stop_servers
    # cups-pdf writes every server's pages into one folder, named by the job's number: this
    # run's numbers start where another run's, a second ago or in another build, do not.
    mkdir -p "$folder/main/cache"
    echo "NextJobId $(($(date +%s) % 1000000 * 1000 + 1))" >"$folder/main/cache/job.cache"
    start_private_cups "$folder/main" || { cat "$folder/main/log/"* >&2; exit 1; }
    start_cupsd "$folder/empty" || { cat "$folder/empty/log/"* >&2; exit 1; }
    start_full_spool_cups "$folder/full"
    echo "print servers on $folder/main/cups.sock, $folder/empty/cups.sock and $folder/full/cups.sock"
    ;;
stop) stop_servers ;;
*) echo "usage: $0 start|stop FOLDER" >&2; exit 2 ;;
esac
