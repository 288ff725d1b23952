#!/usr/bin/env bash
# What scripts/run's play tree keeps across rebuilds, in a stand-in clone
# whose build does nothing and whose program is a small script: what the
# program saved stays when the build renews its shipped copy, what the build
# renews and the program never changed comes in, and what the build no
# longer has goes unless the program changed it; a play tree laid by an
# earlier scripts/run, with no manifest, keeps its saved files too. Given
# the build's device tree (its first argument), the same for the motorbike
# game's settings, switched by the game itself.
set -uo pipefail
RUN="$(cd "$(dirname "$0")/.." && pwd)/run"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
failures=0

CLONE="$SCRATCH/clone"
BUILD="$CLONE/build/device"
PLAY="$CLONE/build/play/device"
DEMO="Program Files/OsDemo"
GUI="$DEMO/resources/GUI"
mkdir -p "$CLONE/scripts" "$BUILD/$DEMO" "$SCRATCH/here"
cp "$RUN" "$CLONE/scripts/run"
mkdir -p "$CLONE/scripts/lib"
cp "${RUN%/*}/lib/play_tree.sh" "$CLONE/scripts/lib/"
printf '#!/bin/sh\nexit 0\n' >"$CLONE/scripts/build"
chmod +x "$CLONE/scripts/build"

# ship PATH TEXT: the build writes TEXT as its file PATH (in place, as a
# build step rewrites its output).
ship()
{
    mkdir -p "$(dirname "$BUILD/$1")"
    printf '%s\n' "$2" >"$BUILD/$1"
}

# The program: "save PATH TEXT..." writes each TEXT as the device file PATH,
# the way the programs save (a whole new file renamed over the old one).
lay_program()
{
    cat >"$BUILD/$DEMO/OsDemo" <<PROGRAM
#!/usr/bin/env bash
# program build $1
[ "\$1" = save ] || exit 0
shift
while [ \$# -ge 2 ]; do
    printf '%s\n' "\$2" >"\$OS_DEVICE_ROOT/\$1.tmp" && mv "\$OS_DEVICE_ROOT/\$1.tmp" "\$OS_DEVICE_ROOT/\$1"
    shift 2
done
PROGRAM
    chmod +x "$BUILD/$DEMO/OsDemo"
}

# The first build: a settings page and a main menu the program writes back
# (each with its shipped copy in "defaults"), the registry, content (two
# planes, one in a folder of its own, names with spaces and commas), and a
# symbolic link beside the program.
first_build()
{
    rm -rf "$CLONE/build"
    mkdir -p "$BUILD/$DEMO" "$BUILD/My Documents"
    lay_program 1
    ln -s OsDemo "$BUILD/$DEMO/OsDemo-server"
    for page in gsetting MainMenu; do
        ship "$GUI/$page.properties" "$page=shipped 1"
        ship "$GUI/defaults/$page.properties" "$page=shipped 1"
    done
    ship registry "[HKEY_LOCAL_MACHINE] shipped 1"
    ship "$DEMO/aircraft/plane_swift mk2.properties" "SWIFT MK2"
    ship "$DEMO/aircraft/plane_swift_mk2.properties" "SWIFT,MK2"
    ship "$DEMO/Big,Truck/vehicle.properties" "Big,Truck"
    ship "$DEMO/Big Truck/vehicle.properties" "Big Truck"
    ship "$DEMO/track.txt" "track 1"
}

# renew_build: the next build renews every shipped file (the program, the
# shipped copies, the registry, the content), drops the stale plane and
# vehicle, and ships a new one.
renew_build()
{
    lay_program 2
    for page in gsetting MainMenu; do
        ship "$GUI/$page.properties" "$page=shipped 2, longer"
        ship "$GUI/defaults/$page.properties" "$page=shipped 2, longer"
    done
    ship registry "[HKEY_LOCAL_MACHINE] shipped 2, longer"
    ship "$DEMO/aircraft/plane_swift mk2.properties" "SWIFT MK2, renewed"
    rm "$BUILD/$DEMO/aircraft/plane_swift_mk2.properties"
    rm -r "$BUILD/$DEMO/Big,Truck"
    ship "$DEMO/track.txt" "track 2, renewed"
    ship "$DEMO/new track.txt" "new track"
}

# run_program ARGS...: the clone's scripts/run ARGS (a hang is cut after
# 90 s); what it said is in $SCRATCH/said.
run_program()
{
    local got=0
    (cd "$SCRATCH/here" && timeout 90 "$CLONE/scripts/run" "$@" >"$SCRATCH/said" 2>&1 </dev/null) || got=$?
    if [ "$got" != 0 ]; then
        echo "FAILED: scripts/run $*: status $got:" >&2
        cat "$SCRATCH/said" >&2
        failures=$((failures + 1))
    fi
}

# run ARGS...: the stand-in program run with ARGS.
run()
{
    run_program os-demo --headless -- "$@"
}

# expect_play SCENARIO TABLE: each line of TABLE is "PATH|TEXT": the play
# tree's PATH holds TEXT, or is absent for "-", or is a link to TEXT after
# "->", or is the same as the build's for "=build".
expect_play()
{
    local scenario="$1" path want got
    while IFS='|' read -r path want; do
        [ -n "$path" ] || continue
        if [ "$want" = - ]; then
            got="$([ -e "$PLAY/$path" ] || [ -L "$PLAY/$path" ] && echo present || echo -)"
        elif [ "$want" = =build ]; then
            got="$(cmp -s "$BUILD/$path" "$PLAY/$path" && echo "=build" || echo "not the build's")"
        elif [[ "$want" == '->'* ]]; then
            got="->$(readlink "$PLAY/$path")"
        else
            got="$(cat "$PLAY/$path" 2>&1)"
        fi
        if [ "$got" != "$want" ]; then
            echo "FAILED: $scenario: build/play/device/$path holds \"$got\", expected \"$want\"" >&2
            failures=$((failures + 1))
        fi
    done <<<"$2"
}

# expect_said SCENARIO TEXT: the last run said TEXT.
expect_said()
{
    if ! grep -qF -- "$2" "$SCRATCH/said"; then
        echo "FAILED: $1: scripts/run did not say \"$2\"; it said:" >&2
        cat "$SCRATCH/said" >&2
        failures=$((failures + 1))
    fi
}

# expect_nothing_beside SCENARIO: nothing is left beside the play tree but
# its manifest and the lock.
expect_nothing_beside()
{
    local left
    for left in "$CLONE"/build/play/* "$CLONE"/build/play/.[!.]*; do
        case "${left##*/}" in
            device | .manifest-device | .lock | '*' | '.[!.]*') ;;
            *)
                echo "FAILED: $1: scripts/run left $left in build/play" >&2
                failures=$((failures + 1))
                ;;
        esac
    done
}

# The same saves on both play trees: the player's settings and main menu,
# the device registry, one plane renamed by hand, a score file of the
# program's own.
SAVES=(save "$GUI/gsetting.properties" "gsetting=player's"
    "$GUI/MainMenu.properties" "MainMenu=player's"
    registry "[HKEY_LOCAL_MACHINE] player's stage 7"
    "$DEMO/aircraft/plane_swift_mk2.properties" "SWIFT,MK2 changed here"
    "$DEMO/racescore.properties" "score=120")
# After the renewal, on either play tree.
AFTER_RENEWAL="
$DEMO/OsDemo|=build
$DEMO/OsDemo-server|->OsDemo
$GUI/gsetting.properties|gsetting=player's
$GUI/MainMenu.properties|MainMenu=player's
$GUI/defaults/gsetting.properties|gsetting=shipped 2, longer
registry|[HKEY_LOCAL_MACHINE] player's stage 7
$DEMO/aircraft/plane_swift mk2.properties|SWIFT MK2, renewed
$DEMO/track.txt|track 2, renewed
$DEMO/new track.txt|new track
$DEMO/racescore.properties|score=120"

# 1. A play tree this scripts/run laid and keeps a manifest of.
first_build
run save "$GUI/gsetting.properties" "gsetting=saved first" # a save on the first run
run "${SAVES[@]}"
run
expect_play "a run with nothing renewed" "
$GUI/gsetting.properties|gsetting=player's
$DEMO/Big,Truck/vehicle.properties|Big,Truck
$DEMO/aircraft/plane_swift_mk2.properties|SWIFT,MK2 changed here"
renew_build
run
expect_play "a rebuild after saves" "$AFTER_RENEWAL
$DEMO/Big,Truck/vehicle.properties|-
$DEMO/Big,Truck|-
$DEMO/Big Truck/vehicle.properties|Big Truck
$DEMO/aircraft/plane_swift_mk2.properties|SWIFT,MK2 changed here"
expect_said "a rebuild after saves" \
    "keeps build/play/device/$GUI/gsetting.properties as it was saved; the build's copy is $BUILD/$GUI/gsetting.properties"
expect_said "a rebuild after saves" \
    "keeps build/play/device/$DEMO/aircraft/plane_swift_mk2.properties as it was saved, though the build no longer has it"

# A second rebuild still knows the saved files for the player's; once the
# player's file is removed, the build's comes back, and once the build's
# is the same as the player's, later renewals reach it.
ship "$GUI/gsetting.properties" "gsetting=shipped 3, longer still"
ship "$GUI/MainMenu.properties" "MainMenu=player's"
rm "$PLAY/registry"
run
ship "$GUI/MainMenu.properties" "MainMenu=shipped 4, longer still"
run
expect_play "a second rebuild" "
$GUI/gsetting.properties|gsetting=player's
$GUI/MainMenu.properties|MainMenu=shipped 4, longer still
registry|[HKEY_LOCAL_MACHINE] shipped 2, longer
$DEMO/aircraft/plane_swift_mk2.properties|SWIFT,MK2 changed here"

# A run killed as it replaces a file, before its copy lands or just after:
# the next run, after another rebuild, knows the file for the build's in
# either state and renews it. The kill comes from a stand-in for cp or mv,
# which ends scripts/run when it comes to track.txt.
for tool in cp mv; do
    mkdir -p "$SCRATCH/bin-$tool"
    cat >"$SCRATCH/bin-$tool/$tool" <<TOOL
#!/bin/sh
case "\$*" in
    */track.txt*) [ $tool = mv ] && $(command -v "$tool") "\$@"; kill -KILL "\$PPID"; exit 1 ;;
esac
exec $(command -v "$tool") "\$@"
TOOL
    chmod +x "$SCRATCH/bin-$tool/$tool"
    ship "$DEMO/track.txt" "track 5, copied by a run killed in $tool"
    # (In a shell of its own, which keeps the word of the kill to itself.)
    ( (cd "$SCRATCH/here" && PATH="$SCRATCH/bin-$tool:$PATH" timeout 60 "$CLONE/scripts/run" os-demo --headless \
        >"$SCRATCH/said" 2>&1 </dev/null)) 2>/dev/null
    killed_with="$(cat "$PLAY/$DEMO/track.txt")"
    ship "$DEMO/track.txt" "track 6 after a run killed in $tool"
    run
    expect_play "a run after one killed in $tool (track.txt was \"$killed_with\")" "
$DEMO/track.txt|track 6 after a run killed in $tool
$GUI/gsetting.properties|gsetting=player's"
done
printf 'track' >"$CLONE/build/play/.incoming-99999"
run
expect_nothing_beside "a run after a killed one"

# 2. A play tree laid by an earlier scripts/run (a copy of the build, no
# manifest), where the program saved, then the build renewed. An untouched
# page that programs write back takes the build's new copy; the content that
# the clone's list names as retired goes (the build dropped the vehicle),
# and what the build still has under a retired name stays.
first_build
mkdir -p "$CLONE/content"
printf '# retired\n\n%s\n%s\n' "$DEMO/Big,Truck/*" "$DEMO/track*" >"$CLONE/content/retired.txt"
ship "$DEMO/resources/Pilots/pilots.properties" "pilots=shipped 1"
ship "$DEMO/resources/Pilots/defaults/pilots.properties" "pilots=shipped 1"
mkdir -p "$PLAY"
cp -a "$BUILD/." "$PLAY/"
(cd "$PLAY/$DEMO" && OS_DEVICE_ROOT="$PLAY" ./OsDemo "${SAVES[@]}")
renew_build
ship "$DEMO/resources/Pilots/pilots.properties" "pilots=shipped 2, longer"
ship "$DEMO/resources/Pilots/defaults/pilots.properties" "pilots=shipped 2, longer"
run
expect_play "a play tree with no manifest" "$AFTER_RENEWAL
$DEMO/resources/Pilots/pilots.properties|pilots=shipped 2, longer
$DEMO/aircraft/plane_swift_mk2.properties|SWIFT,MK2 changed here
$DEMO/Big,Truck/vehicle.properties|-
$DEMO/Big,Truck|-
$DEMO/Big Truck/vehicle.properties|Big Truck"
expect_said "a play tree with no manifest" \
    "keeps build/play/device/$GUI/MainMenu.properties as it was saved; the build's copy is $BUILD/$GUI/MainMenu.properties"
expect_said "a play tree with no manifest" \
    "removes build/play/device/$DEMO/Big,Truck/vehicle.properties, which an earlier build shipped and this one does not"
rm "$CLONE/content/retired.txt"
# From then on it has one, and the next rebuild reaches the files it took.
ship "$DEMO/track.txt" "track 3"
ship "$GUI/gsetting.properties" "gsetting=shipped 3"
rm "$BUILD/$DEMO/new track.txt"
run
expect_play "a rebuild after the first run with a manifest" "
$DEMO/track.txt|track 3
$DEMO/new track.txt|-
$GUI/gsetting.properties|gsetting=player's"

# 3. The manifest is not looked at blindly: one damaged, or from another
# script, lays a fresh one and loses nothing.
printf 'not a manifest' >"$CLONE/build/play/.manifest-device"
ship "$GUI/gsetting.properties" "gsetting=shipped 4"
run
expect_play "a damaged manifest" "
$GUI/gsetting.properties|gsetting=player's
$DEMO/track.txt|track 3"
expect_said "a damaged manifest" "is not a manifest this script wrote"
ship "$DEMO/track.txt" "track 4"
run
expect_play "a rebuild after a damaged manifest" "$DEMO/track.txt|track 4"

# 4. The motorbike game from the build's device tree: music switched off on
# its settings page by taps (cover, intro, motocross, play, settings, the
# music's "Off", "Done"), then the build's settings page renewed: once the
# same content in a newer file (what a rebuild does), once new content.
DEVICE="${1:-}"
MORAVEL="Program Files/Vasko-Moravel"
SETTINGS="$MORAVEL/resources/GUI/gsetting.properties"
if [ -n "$DEVICE" ] && [ -x "$DEVICE/$MORAVEL/bin/Vasko-Moravel" ]; then
    rm -rf "$CLONE/build"
    mkdir -p "$BUILD/Program Files" "$BUILD/My Documents"
    cp -a "$DEVICE/$MORAVEL" "$BUILD/Program Files/"
    cp -a "$DEVICE/registry" "$BUILD/"
    printf '%s\n' "wait 1500" "tap 120 151" "wait 2300" "tap 162 225" "wait 2000" "tap 174 265" "wait 1000" \
        "tap 120 196" "wait 600" "tap 124 131" "wait 300" "tap 120 256" "wait 1500" >"$SCRATCH/music-off.txt"
    printf 'wait 100\n' >"$SCRATCH/start.txt"
    # A run of its own: not one that stands back for a copy someone plays.
    export OS_INSTANCE="play-tree-test-$$"
    music_off()
    {
        grep -qE '^musicSwitch=.*selected:1' "$PLAY/$SETTINGS" || {
            echo "FAILED: $1: the motorbike game's music is not off:" >&2
            grep -E '^musicSwitch=' "$PLAY/$SETTINGS" >&2
            failures=$((failures + 1))
        }
    }
    run_program moravel --script "$SCRATCH/music-off.txt" --out "$SCRATCH/shots"
    music_off "the settings page"
    touch "$BUILD/$SETTINGS" "$BUILD/$(dirname "$SETTINGS")/defaults/gsetting.properties"
    run_program moravel --script "$SCRATCH/start.txt" --out "$SCRATCH/shots"
    music_off "a rebuild"
    printf '# renewed\n' >>"$BUILD/$SETTINGS"
    run_program moravel --script "$SCRATCH/start.txt" --out "$SCRATCH/shots"
    music_off "a rebuild with a new settings page"
    expect_said "a rebuild with a new settings page" "keeps build/play/device/$SETTINGS as it was saved"
else
    echo "no motorbike game in '$DEVICE': its scenario is left out" >&2
fi

expect_nothing_beside "the last run"
[ "$failures" = 0 ]
