#!/usr/bin/env bash
# Writes the seeds of the answers' fuzz target: real answers to Get-Printer-Attributes and
# Get-Job-Attributes, as the client reads them, from a CUPS of its own with a PDF printer and
# from CUPS's own IPP Everywhere printer (ippeveprinter, of the package cups-ipp-utils, which
# needs avahi-daemon running on the system bus).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/privatecups.sh
seeds=$PWD/fuzz/ipp-corpus
mkdir -p "$seeds"

# An IPP request: operation OP (hex) on printer URI, all its attributes, for job JOB if given.
request() {
    python3 - "$@" <<'PY'
import struct, sys
op, uri = int(sys.argv[1], 16), sys.argv[2]
def attribute(tag, name, value):
    return bytes([tag]) + struct.pack('>H', len(name)) + name.encode() + struct.pack('>H', len(value)) + value
body = struct.pack('>BBHI', 2, 0, op, 1) + b'\x01'
body += attribute(0x47, 'attributes-charset', b'utf-8') + attribute(0x48, 'attributes-natural-language', b'en')
body += attribute(0x45, 'printer-uri', uri.encode())
if len(sys.argv) > 3:
    body += attribute(0x21, 'job-id', struct.pack('>i', int(sys.argv[3])))
body += attribute(0x44, 'requested-attributes', b'all') + b'\x03'
sys.stdout.buffer.write(body)
PY
}
# Asks at URL (with curl's options before it) and keeps the answer's body as seed NAME.
ask() {
    local name=$1 op=$2 uri=$3 job=${4:-}
    shift 4
    request "$op" "$uri" $job | curl -sf -H 'Content-Type: application/ipp' --data-binary @- -o "$seeds/$name" "$@"
}

trap 'stop_private_cups; [ -z "${eve:-}" ] || kill "$eve"' EXIT
start_private_cups
sock=$CUPS_SERVER
job=$(lp -d Held -t seed /usr/share/cups/data/form_english.pdf | sed -n 's/.*Held-\([0-9]*\).*/\1/p')
ask cups-printer 0B ipp://localhost/printers/PDF "" --unix-socket "$sock" http://localhost/printers/PDF
ask cups-paused-printer 0B ipp://localhost/printers/Paused "" --unix-socket "$sock" http://localhost/printers/Paused
ask cups-held-job 09 ipp://localhost/printers/Held "$job" --unix-socket "$sock" http://localhost/printers/Held
ask cups-default 4001 ipp://localhost/ "" --unix-socket "$sock" http://localhost/

port=$((20000 + RANDOM % 10000))
ippeveprinter -p "$port" -f application/pdf "Seed Printer" >/dev/null 2>&1 &
eve=$!
wait_until curl -sf -o /dev/null "http://localhost:$port/" || true
uri=ipp://localhost:$port/ipp/print
ipptool -q -f /usr/share/cups/data/form_english.pdf "$uri" /usr/share/cups/ipptool/print-job.test
ask eve-printer 0B "$uri" "" "http://localhost:$port/ipp/print"
ask eve-job 09 "$uri" 1 "http://localhost:$port/ipp/print"
ls -l "$seeds"
