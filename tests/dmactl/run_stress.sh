#!/usr/bin/env bash
# dmactl under parallel use and kills, on real files.
#
#   run_stress.sh DMACTL WORK_DIR [EMULATOR...]
#
# 1. Writers: WRITERS processes change one record set at the same time, each
#    its own setting, ROUNDS times; afterwards every writer's last value is
#    there (none lost to another's read-modify-write).
# 2. Kills: KILLS times a run that writes is killed (SIGKILL) at a random
#    moment: an import that changes both files of a record set, a
#    document-property file written anew, a destination added to a
#    fax-address block.  After each kill the next run sees the set all old or
#    all new (never one file of each), every file whole, and once it ran no
#    temporary or scratch file is left, beside the files or in the
#    temporary folder.
# Natively 4 writers x 200 rounds and 200 kills; under an emulator (Wine), where
# a run costs far more, 2 x 10 and 20.
set -u
dmactl=$1; work=$2; shift 2
emulator=("$@")
export WINEDEBUG=-all
unset DMACTL_NAMES
if [ ${#emulator[@]} -gt 0 ]; then writers=2 rounds=10 kills=20; else writers=4 rounds=200 kills=200; fi
writers=${WRITERS:-$writers}; rounds=${ROUNDS:-$rounds}; kills=${KILLS:-$kills}
rm -rf "$work"; mkdir -p "$work/tmp"; cd "$work" || exit 1
export TMPDIR=$work/tmp TMP=$work/tmp TEMP=$work/tmp
run() { "${emulator[@]}" "$dmactl" "$@"; }
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# ---- 1. concurrent writers ------------------------------------------------
run new job > /dev/null || { echo "dmactl new failed"; exit 1; }
ids=(0x9 0xA 0xB 0xC 0x10 0x11 0x12 0xF)  # SHORT members, each writer its own
for ((w = 0; w < writers; w++)); do
    (for ((r = 1; r <= rounds; r++)); do
        run --wait 120 --set job set "${ids[w]}" $((r + 10)) > /dev/null || echo "writer $w round $r failed"
    done) > "writer$w.log" 2>&1 &
done
wait
for ((w = 0; w < writers; w++)); do
    [ -s "writer$w.log" ] && fail "writer $w: $(head -c 300 "writer$w.log")"
    value=$(run --json --set job get "${ids[w]}" | sed -n 's/^ *"value": \([0-9-]*\),*$/\1/p')
    [ "$value" = $((rounds + 10)) ] || fail "writer $w's setting ${ids[w]} holds '$value', its last write was $((rounds + 10))"
done
echo "writers: $writers x $rounds rounds, $failed lost or failed"

# ---- 2. kills ---------------------------------------------------------------
# Two documents that each change both files of the set: a set read back is
# all A (0x7 = 1, 0x032B = 1), all B (2 and 2), or torn.
doc() { printf '{"format": "dmactl-settings", "version": 1, "settings": [%s]}\n' "$1"; }
doc '{"id": "0x0007", "value": 1}, {"id": "0x032B", "value": 1}' > a.json
doc '{"id": "0x0007", "value": 2}, {"id": "0x032B", "value": 2}' > b.json
run --set job import a.json > /dev/null || fail "import a.json"
run docprop new d.prop > /dev/null || fail "docprop new"
run new fx > /dev/null && cp fx.fax block.fax
torn=0
for ((k = 1; k <= kills; k++)); do
    case $((k % 3)) in
    0) args=(--set job import "$([ $((k % 2)) = 0 ] && echo a.json || echo b.json)") ;;
    1) args=(docprop new d.prop) ;;
    2) args=(fax add block.fax 1795=$k) ;;
    esac
    run "${args[@]}" > /dev/null 2>&1 &
    pid=$!
    sleep "0.0$((RANDOM % 90 + 10))"
    kill -KILL -- "$pid" 2> /dev/null; wait "$pid" 2> /dev/null
    # The next run takes the set's lock, completing an interrupted import,
    # and reads both files in one go (under an emulator the killed run may
    # still be on its way to the lock).
    values=$(run --json --set job show 0x7 0x032B 2> /dev/null | sed -n 's/^ *"value": \([0-9]*\),*$/\1/p')
    orientation=$(sed -n 1p <<< "$values"); other=$(sed -n 2p <<< "$values")
    if [ -z "$orientation" ] || [ "$orientation" != "$other" ]; then
        torn=$((torn + 1)); fail "kill $k (${args[*]}): the set reads 0x7=$orientation, 0x032B=$other"
    fi
    run docprop show d.prop > /dev/null 2>&1 || { torn=$((torn + 1)); fail "kill $k: d.prop is not whole"; }
    run fax show block.fax > /dev/null 2>&1 || { torn=$((torn + 1)); fail "kill $k: block.fax is not whole"; }
done
# One more write of each kind cleans up after the killed ones.
run --set job import a.json > /dev/null 2>&1; run docprop new d.prop > /dev/null 2>&1
run fax add block.fax 1795=1 > /dev/null 2>&1
left=$(find . -name '*.tmp' -o -name '*.lock' -o -name '*.journal' | sort)
[ -z "$left" ] || fail "left behind: $(echo $left)"
echo "kills: $kills, $torn torn, $(echo -n "$left" | grep -c .) files left behind"
[ $failed = 0 ] && echo "run_stress.sh: passed" || echo "run_stress.sh: $failed failures"
[ $failed = 0 ]
