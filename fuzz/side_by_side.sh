#!/usr/bin/env bash
# side_by_side.sh TARGET SEEDS -- two copies of a fuzz target over its seeds
# at the same time, given the same window-lookup prefix, as when two
# checkouts test at once: both must finish without a finding. The windows are
# made as a copy starts; each runs its seeds and a few hundred inputs more
# (its executions are counted, not timed).
set -u
exe="$1"
seeds="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for copy in 1 2; do
    # Each copy grows a corpus of its own; the seeds are only read.
    mkdir -p "$work/$copy/corpus"
    (cd "$work/$copy" && OS_INSTANCE=shared "$exe" -runs=900 -close_fd_mask=3 -artifact_prefix="$work/$copy/" \
        "$work/$copy/corpus" "$seeds" >"$work/$copy.log" 2>&1
     echo $? >"$work/$copy.status") &
done
wait
failed=0
for copy in 1 2; do
    status="$(cat "$work/$copy.status")"
    if [ "$status" != 0 ]; then
        echo "copy $copy ended with status $status:"
        tail -20 "$work/$copy.log"
        failed=1
    fi
done
exit "$failed"
