# Sourced by the scripts: what they share.

# Runs the command given as root, through sudo when the script's user is not root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Ends the processes whose ids are given, those that were started at all, and waits for them.
stop() {
    local pid
    for pid in "$@"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

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

# A script of checks says "ok: ..." for each that holds and ends at the first that does not;
# its last line counts them.
passed=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAILED: $*" >&2; exit 1; }
summary() { echo "$1: $passed passed, 0 failed"; }
