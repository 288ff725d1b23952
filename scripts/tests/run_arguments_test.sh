#!/usr/bin/env bash
# scripts/run refuses what it cannot do before it builds or runs anything,
# each time with a message that says what was wrong; and, in a stand-in
# clone whose build does nothing and whose program is a small script, it
# waits for exactly the program's own instances and leaves no files where it
# should not.
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
expect 2 "--screen 9000x320x16: each side is 1 to 8192 pixels" os-demo --screen 9000x320x16
expect 2 "--screen 240x99999999999999999999x16: each side is 1 to 8192 pixels" os-demo --screen 240x99999999999999999999x16
expect 2 "--screen 0x320x16: each side is 1 to 8192 pixels" os-demo --screen 0x320x16
expect 2 "--out '$SCRATCH/a-file/shots': cannot make or write that folder" os-demo --headless --out "$SCRATCH/a-file/shots"

# The stand-in clone: scripts/run itself, a build that builds nothing, and
# os-demo's program replaced by a script that does what its first argument
# says. Where it stays running it takes the program's name (exec -a), as a
# real program's process shows it.
CLONE="$SCRATCH/clone"
PROGRAM="$CLONE/build/device/Program Files/OsDemo/OsDemo"
mkdir -p "$CLONE/scripts" "$(dirname "$PROGRAM")" "$SCRATCH/here"
cp "$RUN" "$CLONE/scripts/run"
mkdir -p "$CLONE/scripts/lib"
cp "${RUN%/*}/lib/play_tree.sh" "$CLONE/scripts/lib/"
printf '#!/bin/sh\nexit 0\n' >"$CLONE/scripts/build"
cat >"$PROGRAM" <<'PROGRAM'
#!/usr/bin/env bash
case "$1" in
    # runs until ended; says its process id in the file $2
    hold) echo $$ >"$2.partial" && mv "$2.partial" "$2" && exec -a "$0" sleep 600 ;;
    # another copy runs: this one stands back
    second) echo "another copy is running; this copy ends" >&2; exit 0 ;;
    # starts itself again and ends; the restarted copy writes $2 a second later
    restart) "$0" late "$2" & exit 0 ;;
    late) exec -a "$0" bash -c 'sleep 1; touch "$1"' late "$2" ;;
    # the platform refused the input script
    refuse) echo "the script is refused" >&2; exit 2 ;;
    # the last screen of a run without a script
    last) mkdir -p "$OS_OUT" && : >"$OS_OUT/last.png" ;;
esac
PROGRAM
chmod +x "$CLONE/scripts/build" "$PROGRAM"
CLONE_RUN="$CLONE/scripts/run"

# clone_run STATUS ARGS...: the stand-in clone's scripts/run ARGS, from a
# folder of its own, ends (a hang is cut after 60 s) with STATUS.
clone_run()
{
    local status="$1" got=0
    shift
    (cd "$SCRATCH/here" && timeout 60 "$CLONE_RUN" "$@" >"$SCRATCH/said" 2>&1 </dev/null) || got=$?
    if [ "$got" != "$status" ]; then
        echo "FAILED: scripts/run $*: expected status $status, got $got:" >&2
        cat "$SCRATCH/said" >&2
        failures=$((failures + 1))
        return 1
    fi
}

# A second run of a program already running returns when its own copy stands
# back, not when the first run's copy ends; the first run waits for its own.
(cd "$SCRATCH/here" && exec "$CLONE_RUN" os-demo --headless -- hold "$SCRATCH/first.pid" >/dev/null 2>&1) &
first_run=$!
for _ in $(seq 600); do
    [ -s "$SCRATCH/first.pid" ] && break
    sleep 0.1
done
if [ -s "$SCRATCH/first.pid" ]; then
    clone_run 0 os-demo --headless -- second
    kill -0 "$first_run" 2>/dev/null || {
        echo "FAILED: the first run ended with the second" >&2
        failures=$((failures + 1))
    }
    kill "$(cat "$SCRATCH/first.pid")"
else
    echo "FAILED: the first run's program never started" >&2
    failures=$((failures + 1))
fi
wait "$first_run"

# A restarted copy is waited for.
clone_run 0 os-demo --headless -- restart "$SCRATCH/restarted" &&
    { [ -e "$SCRATCH/restarted" ] || {
        echo "FAILED: scripts/run returned before the restarted copy ended" >&2
        failures=$((failures + 1))
    }; }

# A refused script leaves no --out folder behind.
echo "wait 10" >"$SCRATCH/script.txt"
clone_run 2 os-demo --script "$SCRATCH/script.txt" --out "$SCRATCH/shots" -- refuse
if [ -e "$SCRATCH/shots" ]; then
    echo "FAILED: a refused script's run made its --out folder" >&2
    failures=$((failures + 1))
fi

# Without --out, the last screen of a run without a script is kept in the
# play tree, not in the folder the run was started from.
if clone_run 0 os-demo --headless -- last; then
    if [ -e "$SCRATCH/here/last.png" ] || [ ! -e "$CLONE/build/play/last.png" ] ||
        ! grep -qF "last screen: $CLONE/build/play/last.png" "$SCRATCH/said"; then
        echo "FAILED: the last screen went elsewhere than build/play/last.png:" >&2
        cat "$SCRATCH/said" >&2
        ls "$SCRATCH/here" >&2
        failures=$((failures + 1))
    fi
fi
[ "$failures" = 0 ]
