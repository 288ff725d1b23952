#!/usr/bin/env bash
# scripts/run refuses what it cannot do before it builds or runs anything,
# each time with a message that says what was wrong.
set -uo pipefail
RUN="$(cd "$(dirname "$0")/.." && pwd)/run"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
touch "$SCRATCH/a-file"
failures=0

# expect STATUS TEXT ARGS...: scripts/run ARGS ends with STATUS and says TEXT.
expect()
{
    local status="$1" text="$2"
    shift 2
    local said got=0
    said="$(DISPLAY=:0 "$RUN" "$@" 2>&1 </dev/null)" || got=$?
    if [ "$got" != "$status" ] || [[ "$said" != *"$text"* ]]; then
        echo "FAILED: scripts/run $*: expected status $status and \"$text\", got $got:" >&2
        echo "$said" >&2
        failures=$((failures + 1))
    fi
}

expect 2 "one program at a time: 'skyrend' and 'moravel' were both named" skyrend moravel
expect 2 "--out names '$SCRATCH/a-file', which is a file; it wants a folder" os-demo --headless --out "$SCRATCH/a-file"
expect 2 "unknown program 'nosuch'" nosuch
expect 2 "unknown option --nosuch" os-demo --nosuch
expect 2 "--screen wants WIDTHxHEIGHTxBPP" os-demo --screen 240x320x8
expect 2 "--out needs a value" os-demo --out
expect 2 "no script file '$SCRATCH/none.txt'" os-demo --script "$SCRATCH/none.txt"
[ "$failures" = 0 ]
