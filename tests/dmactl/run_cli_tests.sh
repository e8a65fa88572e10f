#!/usr/bin/env bash
# Runs dmactl on real files and compares what it prints with golden files.
#
#   run_cli_tests.sh DMACTL SOURCE_DIR WORK_DIR [EMULATOR...]
#
# cases.txt lists one case a line: NAME | EXIT_STATUS | STATE | ARGUMENTS.
# Each case runs alone in a folder of its own, WORK_DIR/cases/NAME: a copy of
# the fixtures below (WORK_DIR/fixtures) or of the state it names, made once
# in WORK_DIR/states/STATE by the calls cases.txt lists for it.  So no case
# sees what another case wrote, and the cases may run in any order.
# golden/NAME.txt holds the exit status, standard output and standard error
# of the case.  UPDATE_GOLDEN=1 rewrites the golden files instead.
# After the cases, the checks at the end of this file look at the files
# themselves: the ones the cases left in their folders, round trips byte for
# byte, refused changes leaving files intact.
#
#   CASES=name1,name2   runs only these cases (and not the checks after them)
#   ORDER=reverse       runs the cases last to first
#   ORDER=shuffle       runs them in an order drawn from SEED (default 1)
#
# DMACCESS_PROGRAM_SECONDS (ctest sets it) limits every dmactl call: see
# limited() below.
set -u
dmactl=$1; src=$2; work=$3; shift 3
emulator=("$@")
runner=(limited)
export WINEDEBUG=-all
src=$(cd "$src" && pwd) || exit 1
rm -rf "$work"; mkdir -p "$work" && work=$(cd "$work" && pwd) || exit 1
fixtures=$work/fixtures; states=$work/states; cases=$work/cases
mkdir "$fixtures" "$states" "$cases" && cd "$fixtures" || exit 1
# Only the names files the cases name: none from the user running the tests.
unset DMACTL_NAMES
export XDG_CONFIG_HOME=$work/.config

passed=0; failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
pass() { passed=$((passed + 1)); }

# Runs dmactl with its arguments under the time limit of one call.  timeout
# ends the call's whole process group: under Wine wine-run.sh and the
# program it started go too.  A call that outlives its limit is noted in
# $timeouts and fails the run whatever its check expected (report_timeouts):
# a check that wants a refusal must not pass because the call hung.
timeouts=$work/timed-out.txt
limited() {
    if [ -z "${DMACCESS_PROGRAM_SECONDS:-}" ]; then "${emulator[@]}" "$dmactl" "$@"; return; fi
    local status=0
    timeout --kill-after=5 "$DMACCESS_PROGRAM_SECONDS" "${emulator[@]}" "$dmactl" "$@" || status=$?
    if [ "$status" = 124 ] || [ "$status" = 137 ]; then
        printf '%s\n' "$*" >> "$timeouts"
        echo "run_cli_tests.sh: dmactl $* did not finish within $DMACCESS_PROGRAM_SECONDS s and was ended" >&2
    fi
    return "$status"
}
report_timeouts() {
    [ -f "$timeouts" ] || return 0
    while IFS= read -r call; do
        fail "dmactl $call: did not finish within $DMACCESS_PROGRAM_SECONDS s and was ended"
    done < "$timeouts"
    rm "$timeouts"
}

# ---- binary fixtures -------------------------------------------------------
zeros() { head -c "$1" /dev/zero; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
# UTF-16 text of an ASCII string, padded with zero units to $2 bytes.
u16() { local s=$1 n=$2 i; for ((i = 0; i < ${#s}; i++)); do printf '%s\0' "${s:i:1}"; done; zeros $((n - 2 * ${#s})); }
# A fax-address block header: signature, count, header strings.
fax_header() { u16 "$1" 16; le16 "$2"; u16 "$3" 82; u16 "$4" 1342; }
# A destination entry of $1 bytes (768 old, 820 current) with a number and
# a name, and the 16 bytes 752-767 holding "ABCDEFGHIJKLMNOP".
fax_entry() {
    le16 7; u16 "$2" 258; le16 1; u16 "$3" 82; zeros $((752 - 344))
    printf 'ABCDEFGHIJKLMNOP'
    if [ "$1" = 820 ]; then u16 "QUJDREVGR0hJSktMTU5PUA==" 50; zeros 2; fi
}
ndev() { u16 NDEV001 16; le32 0x5250; le32 4; printf 'ndev'; }
tmbinfo() { u16 TMBINFO 16; le32 2; printf 'tm'; }
spinfo() { u16 SPINFO 16; le32 3; printf 'spi'; }

{ ndev; tmbinfo; spinfo; fax_header ZOVA001 1 "Old header" "Second header"; fax_entry 768 "0123456" "Old office"; } > old.prop
{ ndev; tmbinfo; spinfo; } > nofax.prop
{ ndev; tmbinfo; spinfo; fax_header ZOVA001 2 "" ""; fax_entry 768 "1" "x"; } > shortfax.prop
{ u16 NDEV002 16; le32 0x5250; le32 0; } > badsig.prop
{ fax_header ZOVA002 1 "Head office" "Line two"; fax_entry 820 "5550100" "Branch"; } > one.fax
{ fax_header ZOVA002 3 "" ""; } > truncated.fax
{ fax_header ZOVA001 0 "" ""; } > old.fax
{ fax_header ZOVA001 1 "Old one" ""; fax_entry 768 "1" "x"; } > oldone.fax
{ fax_header ABCD 0 "" ""; } > notfax.fax
zeros 100 > short.devmode
zeros 7974 > blank.secondary
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7"} ] }' > noval.json
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7", "value": "two"} ] }' > wrongtype.json
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x1A", "value": 1} ] }' > unknownid.json
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7", "value": 70000} ] }' > range.json
printf '{ "format": "other" }' > otherformat.json
printf '{ "format": "dmactl-settings", ' > broken.json
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7", "kind": "integer", "value": 2}, {"id": "0x13", "kind": "string", "value": "Legal"} ] }' > two.json
mkdir -p adir
# A record set whose secondary record is a folder: `new --force` must refuse it whole.
mkdir -p dirset.secondary
# A DEVMODEW record whose dmOrientation is 0: item 0x140 cannot be paired there.
zeros 5988 > blankorient.devmode
# A record set without a fax-address block.
zeros 5988 > nofaxset.devmode; zeros 7974 > nofaxset.secondary
# Safe writes: a copy of an old-layout block to change, blank records (one set
# of them with a read-only secondary record), a record only its owner may read
# and write, a symbolic link to a record, and documents that change both
# records, without and with a fax header.
cp oldone.fax o2.fax
zeros 5988 > safe.devmode; zeros 7974 > safe.secondary; zeros 5988 > safeplain.devmode
zeros 5988 > safero.devmode; zeros 7974 > safero.secondary; chmod 444 safero.secondary
zeros 5988 > safemode.devmode; chmod 600 safemode.devmode
zeros 5988 > safereal.devmode; ln -s safereal.devmode safelink.devmode
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7", "value": 2}, {"id": "0x427", "value": "stored"} ] }' > safe2.json
printf '{ "format": "dmactl-settings", "version": 1, "settings": [ {"id": "0x7", "value": 2}, {"id": "0x427", "value": "stored"}, {"id": "0xA001", "value": "New header"} ] }' > safe3.json

# Fixtures of the import-fidelity cases.
doc() { printf '{ "format": "dmactl-settings", "version": 1, "settings": [ %s ] }' "$1"; }
doc '{"id": "0x7", "value": 2}, {"id": "0x427", "value": "kept nowhere"}' > withsecondary.json
doc '{"id": "0x10B", "value": 9}' > linked9.json
doc '{"id": "0x145", "value": 2}, {"id": "0x10B", "value": 9}' > linked9own.json
doc '{"id": "0x140", "value": 6}' > paired6.json
doc '{"id": "0x7", "value": 2}, {"id": "0x1A", "value": 1}' > unknownsecond.json
doc '{"id": "0x7", "value": 2}, {"id": "0x10B", "value": 256}' > rangesecond.json
doc '{"id": "0x13", "value": "A4"}, {"id": "0x7", "kind": "string", "value": 2}' > kindsecond.json
doc '{"id": "0x7", "value": 2}, {"id": "0x130", "value": {"height": 1}}' > fontsecond.json
doc '{"id": "0x7", "value": 2}, {"id": "0x13", "value": "\u65e5"}' > textsecond.json
doc '{"id": "0x7", "value": 2}, {"id": "0x13", "value": "A4"}, {"id": "0x0007", "value": 1}' > twice.json
# dmDeviceName (offset 0, 64 bytes) holding the C1 controls that stand for
# the five code page 1252 bytes without a character of their own.
{ printf 'A\0\x81\0\x8d\0\x8f\0\x90\0\x9d\0Z\0'; zeros 5974; } > c1.devmode
zeros 5988 > c1copy.devmode
# Texts the ANSI code page cannot hold: the form name (offset 102) "J" and
# two CJK characters, the second font's face name (offset 844) likewise.
{ zeros 102; printf 'J\0\xe5\x65\x2c\x67'; zeros $((844 - 108)); printf 'F\0\x2c\x67'; zeros $((5988 - 848)); } > lost.devmode

# Fixtures of the record commands: a copy of a file with an old fax section
# to change, a block to add to and delete from, bytes that are no record of
# any kind, and user-settings records of layout versions 1 and 3 (the latter
# too short: version 3 is read up to byte 2092).
cp old.prop old2.prop; cp one.fax rt.fax
yes 'q7#Zx' | head -c 3000 > random.bin
{ le16 1; zeros 70; u16 "Office" 66; u16 "Path" 258; zeros $((716 - 396)); } > v1.us
{ le16 3; zeros 1000; } > v3short.us
: > fonts.rec

# Fixtures of the names, validate and command-line cases.  A DEVMODEW record
# as `new` writes it, changed in one place each: a text without terminator
# (dmFormName at 102 filled), a font with impossible members (font 0x0130 at
# 588: italic 5, weight 5000), 0x010B (offset 308) at 7 while its linked
# 0x0145 stays 0, and twelve bytes too many for its header.
put() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
"${runner[@]}" new vbase > /dev/null 2>&1 < /dev/null
cp vbase.devmode vtext.devmode; put vtext.devmode 102 "$(printf 'A\\0%.0s' {1..32})"
cp vbase.devmode vfont.devmode; put vfont.devmode 608 '\x05'; put vfont.devmode 604 '\x88\x13'
cp vbase.devmode vlinked.devmode; put vlinked.devmode 308 '\x07'
cp vbase.devmode vbig.devmode; zeros 12 >> vbig.devmode
# 8,000 bytes of noise (a fixed pattern, so that the output is stable).
pattern=$(for i in $(seq 0 250); do printf '\\x%02x' $(((i * 131 + 17) % 251)); done)
for i in $(seq 32); do printf "$pattern"; done | head -c 8000 > noise.devmode
# One file of 7974 bytes with a DEVMODEW header that fits it (220 + 7754), so
# that it may be named as both records.
{ zeros 68; le16 220; le16 7754; zeros 7902; } > both.rec
# Names files: a team's own, and three that break the rules.
printf '# our names\n0x010B duplexMode\n0x0007 orient   # renamed\n\n300 docLayout\n' > team.names
printf '0x010B first\n0x010C FIRST\n' > dupname.names
printf '0x010B first\n267 second\n' > dupid.names
printf '0x010B two words here\n' > malformed.names
printf '0x010B dmOrientation\n' > builtin.names
# Value names: a team's own, and two that clash (in the file, with the
# built-in Windows names).
printf '0x0101 TonerSave 0=Off 1=On\n0x0008 paper 256=Custom\n' > values.names
printf '0x0101 TonerSave 0=Off 1=off\n' > valueclash.names
printf '0x0008 paper 300=DMPAPER_A4\n' > valuebuiltin.names
# Settings documents that contradict themselves, and one that agrees.
doc '{"id": "0x130", "value": {"height": 0, "width": 0, "escapement": 0, "orientation": 0, "weight": 0, "italic": 0, "underline": 0, "strikeout": 0, "charset": 0, "outprecision": 0, "clipprecision": 0, "quality": 0, "pitchandfamily": 0, "face": "Arial"}}, {"id": "0x131", "value": ""}' > conflict.json
doc '{"id": "0x130", "value": {"height": 0, "width": 0, "escapement": 0, "orientation": 0, "weight": 0, "italic": 0, "underline": 0, "strikeout": 0, "charset": 0, "outprecision": 0, "clipprecision": 0, "quality": 0, "pitchandfamily": 0, "face": "Arial"}}, {"id": "0x131", "value": "Arial"}' > agree.json
doc '{"id": "dmOrientation", "value": 2}, {"id": "dmPaperSize", "value": 5}' > byname.json
# A kind 3 array whose one element "Odd" has the state byte 3, which no
# writer makes.
{ u16 Odd 706; printf '\x03'; } > odd.rec
# Documents that say one thing twice, or two things at once.
doc '{"id": "0x0007", "id": "0x0008", "value": 1}' > twiceid.json
doc '{"id": "0x000C", "name": "dmScale", "value": 1}' > namedother.json
doc '{"id": "0x0007", "value": 1e400}' > overflow.json

# ---- states and golden cases -------------------------------------------------
# cases.txt read: the cases in its order with their status, state and
# arguments, and each state with its FROM and its calls, one a line.
declare -A want_of state_of args_of from_of calls_of
names=()
trim() { local -n v=$1; [[ $v =~ ^[[:space:]]*(.*[^[:space:]])?[[:space:]]*$ ]]; v=${BASH_REMATCH[1]}; }
while IFS='|' read -r name f2 f3 f4; do
    case "$name" in '#'* | '') continue ;; esac
    trim name; trim f2
    if [[ $name == @* ]]; then  # @STATE | FROM | ARGUMENTS
        name=${name#@}
        if [ -n "$f2" ]; then
            [ -z "${from_of[$name]+x}" ] || fail "cases.txt: state $name has two lines with a FROM"
            from_of[$name]=$f2
        fi
        calls_of[$name]+=$f3$'\n'
    else  # NAME | EXIT STATUS | STATE | ARGUMENTS
        trim f3
        [ -z "${want_of[$name]+x}" ] || fail "cases.txt: case $name twice"
        names+=("$name"); want_of[$name]=$f2; state_of[$name]=$f3; args_of[$name]=$f4
    fi
done < "$src/cases.txt"

# Sets $folder to the folder of state $1 ("-": the fixtures), made when a
# case first needs it.  A state one of whose calls fails is made no more: its
# cases fail.
state_dir() {
    local name=$1 call argv status
    folder=$fixtures
    [ "$name" = - ] && return 0
    folder=$states/$name
    [ -d "$folder" ] && return 0
    [ ! -e "$folder.failed" ] || return 1
    : > "$folder.failed"  # until it is made
    if [ -z "${from_of[$name]+x}" ]; then fail "state $name: not in cases.txt, or without a FROM"; return 1; fi
    state_dir "${from_of[$name]}" || return 1
    cp -a "$folder" "$states/$name"
    while IFS= read -r call; do
        [ -n "$call" ] || continue
        eval "argv=($call)"
        status=0
        (cd "$states/$name" && "${runner[@]}" "${argv[@]}") > /dev/null 2> "$work/err.txt" < /dev/null || status=$?
        if [ "$status" != 0 ]; then
            fail "state $name: dmactl $call -> exit $status: $(head -c 400 "$work/err.txt")"
            rm -rf "$states/$name"; return 1
        fi
    done <<< "${calls_of[$name]}"
    rm "$states/$name.failed"; folder=$states/$name
}

order=("${names[@]}")
if [ -n "${CASES:-}" ]; then IFS=, read -ra order <<< "$CASES"; fi
case "${ORDER:-table}" in
table) ;;
reverse) mapfile -t order < <(printf '%s\n' "${order[@]}" | tac) ;;
shuffle) mapfile -t order < <(printf '%s\n' "${order[@]}" | shuf --random-source=<(yes "${SEED:-1}"))
         echo "cases in the order of SEED=${SEED:-1}" ;;
*) echo "run_cli_tests.sh: ORDER is table, reverse or shuffle" >&2; exit 2 ;;
esac

report_timeouts
for name in "${order[@]}"; do
    if [ -z "${want_of[$name]+x}" ]; then fail "$name: no such case in cases.txt"; continue; fi
    want=${want_of[$name]}
    eval "argv=(${args_of[$name]})"
    if ! state_dir "${state_of[$name]}"; then fail "$name: no folder of state ${state_of[$name]}"; continue; fi
    cp -a "$folder" "$cases/$name"
    (cd "$cases/$name" && "${runner[@]}" "${argv[@]}") > "$work/out.txt" 2> "$work/err.txt" < /dev/null
    status=$?
    if [ -f "$timeouts" ]; then
        fail "$name: dmactl did not finish within $DMACCESS_PROGRAM_SECONDS s and was ended"
        rm "$timeouts"
        continue
    fi
    # Under Wine the runner starts a program again that failed without a
    # word (diff -q does so by design) and says so; that note is not dmactl's.
    sed -i '/^wine-run\.sh: .* failed to start (status [0-9]*); starting it again$/d' "$work/err.txt"
    actual=$(printf 'status: %s\n--- stdout\n%s\n--- stderr\n%s\n' "$status" "$(cat "$work/out.txt")" "$(cat "$work/err.txt")")
    golden="$src/golden/$name.txt"
    if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
        printf '%s\n' "$actual" > "$golden"
    fi
    if [ "$status" != "$want" ]; then
        fail "$name: exit status $status, expected $want"; cat "$work/err.txt"
    elif [ ! -f "$golden" ]; then
        fail "$name: no golden file"
    elif ! diff -u "$golden" <(printf '%s\n' "$actual") > "$work/diff.txt"; then
        fail "$name: output differs from golden"; head -40 "$work/diff.txt"
    else
        pass
    fi
done
if [ -n "${CASES:-}" ]; then
    report_timeouts
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]; exit
fi

# ---- file checks ---------------------------------------------------------------
# They run in a folder of their own, a copy of the fixtures, and look at what
# the cases wrote in the cases' folders, $cases/NAME.
cp -a "$fixtures" "$work/checks" && cd "$work/checks" || exit 1
# Runs dmactl quietly; when it fails, what it said on standard error is shown
# so that a failing check names its cause.
run() {
    local status=0
    "${runner[@]}" "$@" > /dev/null 2> run-err.txt < /dev/null || status=$?
    if [ "$status" != 0 ]; then echo "  (dmactl $* -> exit $status: $(head -c 400 run-err.txt))"; fi
    return "$status"
}
# Runs dmactl where a refusal is expected: quietly either way.
refused() { "${runner[@]}" "$@" > /dev/null 2> /dev/null < /dev/null; }
same() { if cmp -s "$1" "$2"; then pass; else fail "$3: ${1#"$work"/} and ${2#"$work"/} differ"; fi; }
# Fails when files named like $1 were left in the folders of the states, the
# cases or the checks.
none_left() {
    local left
    left=$(find "$states" "$cases" "$work/checks" -name "$1" | sed "s|^$work/||" | head -5)
    if [ -n "$left" ]; then fail "$2 left: $left"; else pass; fi
}

# The records the checks start from, taken from the cases' states: job after
# its changes (and an import), impcopy after its imports, recs with a list of
# records; and the document-property file that the case docprop_upgrade wrote.
state_dir job-set && cp "$folder"/job.* .
run --set job import two.json || fail "import two.json into job"
state_dir impcopy-own && cp "$folder"/impcopy.* .
state_dir list-revived && cp "$folder"/recs.* "$folder"/list.rec .
cp "$cases/docprop_upgrade/upgraded.prop" .

# A refused or impossible set leaves every file byte for byte as it was.
cp job.devmode keep.devmode; cp job.secondary keep.secondary; cp job.fax keep.fax
for bad in "0x155 9" "0x7 70000" "0x13 $(printf 'x%.0s' {1..40})" "0x130 size=1" "0x9001 abcdefghijklm" "0x1A 1"; do
    eval "refused --set job set $bad"
    same job.devmode keep.devmode "refused set $bad"
    same job.secondary keep.secondary "refused set $bad"
    same job.fax keep.fax "refused set $bad"
done
# No temporary files are left beside the records.
none_left '*.tmp' "temporary files"

# Hostile files (posix): one row a command, which must fail with status 1 and
# the message, blocking on nothing, and leave its FILE (if any) as it was.
case "$dmactl" in
*.exe) ;;
*)
    mkfifo h.fifo; ln -s h-loop2 h-loop1; ln -s h-loop1 h-loop2
    printf '0x0007 Or\0ient\n' > h-nul.names
    zeros 100 > h-ro.prop; chmod 444 h-ro.prop
    hostile() {  # PATTERN FILE ARGUMENTS...
        local pattern=$1 file=$2 status=0; shift 2
        [ -f "$file" ] && cp "$file" hostile.keep
        "${runner[@]}" "$@" > /dev/null 2> hostile-err.txt < /dev/null || status=$?
        if [ "$status" != 1 ] || ! grep -q -- "$pattern" hostile-err.txt; then
            fail "dmactl $*: exit $status, $(head -c 300 hostile-err.txt) (expected: $pattern)"
        elif [ -f "$file" ] && ! cmp -s "$file" hostile.keep; then fail "dmactl $*: $file changed"
        elif [ "$file" = h.fifo ] && [ ! -p h.fifo ]; then fail "dmactl $*: h.fifo is no longer a FIFO"
        else pass; fi
    }
    hostile 'h.fifo: is not a regular file (a FIFO)' h.fifo --devmode h.fifo show 0x7
    hostile '/dev/zero: is not a regular file (a device)' - --devmode /dev/zero show 0x7
    hostile 'h-loop1: a loop of symbolic links' - --secondary h-loop1 show 0x7
    hostile 'h.fifo: is not a regular file' h.fifo fax add h.fifo 1795=1
    hostile 'h.fifo: is not a regular file' h.fifo docprop new h.fifo
    hostile 'h-ro.prop: the file is read-only' h-ro.prop docprop new h-ro.prop
    hostile 'h-nul.names:1: a NUL byte' - --names h-nul.names get 7
    # A names file with a byte-order mark is read; a document-property file
    # written anew keeps its mode and, named by a link, stays a link.
    printf '\xef\xbb\xbf0x0007 bomOrient\n' > h-bom.names
    if "${runner[@]}" --names h-bom.names get bomOrient > /dev/null 2>&1; then pass
    else fail "a names file with a byte-order mark was refused"; fi
    run docprop new h-640.prop && chmod 640 h-640.prop && run docprop new h-640.prop
    [ "$(stat -c %a h-640.prop)" = 640 ] && pass || fail "docprop new: h-640.prop lost its mode 640"
    ln -s h-640.prop h-link.prop && run docprop new h-link.prop
    [ -L h-link.prop ] && pass || fail "docprop new: h-link.prop is no longer a link" ;;
esac

# export -> import into blank records reproduces every byte that belongs to a
# setting; the records written by `new` have none that do not.
run --set job export -o full.json || fail "export failed"
run new copy || fail "new copy failed"
run --set copy import full.json || fail "import failed"
same job.devmode copy.devmode "round trip devmode"
same job.secondary copy.secondary "round trip secondary"
same job.fax copy.fax "round trip fax"
run --set copy export -o full2.json
same full.json full2.json "export of the imported records"

# A rich record set: every setting changed away from zero, exported and
# imported into blank records, gives the same settings again.
run new rich
for kv in "0x10B 7" "0x127 1" "0x140 5" "0x155 3" "0x16F 12" "0x1C1 on" "0x301 on" "0x202B on" \
          "0x427 stored" "0x9002 clear-text" "0x176 out.prop" "0x165 height=20 italic=1 face=Courier" \
          "0xA002 second"; do
    eval "run --set rich set $kv" || fail "set $kv on rich"
done
run --set rich export -o rich.json
run new rich2
run --set rich2 import rich.json || fail "import rich"
run --set rich2 export -o rich2.json
same rich.json rich2.json "rich round trip through JSON"
same rich.devmode rich2.devmode "rich round trip devmode bytes"
same rich.secondary rich2.secondary "rich round trip secondary bytes"

# Import fidelity: fonts whose members are set in different ways come back
# byte for byte, also where a member's write changes another member
# (escapement 0x0137/0x016C sets lfOrientation too) or where 0x0137 cannot
# be read (escapement and orientation differ) and is not exported.
n=0
for combo in "0x165 escapement=450 orientation=100" "0x165 orientation=100" "0x165 escapement=900 orientation=900" \
             "0x130 escapement=450 orientation=100" "0x130 escapement=-300 orientation=-300 face=Arial" \
             "0x165 height=-20 width=7 escapement=1 orientation=2 weight=700 italic=1 underline=1 strikeout=1 charset=2 outprecision=3 clipprecision=4 quality=5 pitchandfamily=6 face=Courier" \
             "0x16C 450;0x16B 100" "0x137 200;0x136 50" "0x16B 100;0x16C 450" "0x16A 30;0x174 9;0x167 -4" \
             "0x130 escapement=10 orientation=20;0x165 escapement=30 orientation=40 face=X;0x166 Y"; do
    n=$((n + 1))
    run new "fa$n"; run new "fb$n"
    IFS=';' read -ra sets <<< "$combo"
    for kv in "${sets[@]}"; do eval "run --set fa$n set $kv" || fail "font combination $n: set $kv"; done
    run --set "fa$n" export -o "fa$n.json"
    "${runner[@]}" --set "fb$n" import "fa$n.json" > /dev/null 2> "fb$n.err" < /dev/null || fail "font combination $n: import"
    sed -i '/^wine-run\.sh: .* failed to start (status [0-9]*); starting it again$/d' "fb$n.err"
    if [ -s "fb$n.err" ]; then fail "font combination $n ($combo): import noted $(head -c 300 "fb$n.err")"; else pass; fi
    same "fa$n.devmode" "fb$n.devmode" "font combination $n ($combo)"
    run --set "fb$n" export -o "fb$n.json"
    same "fa$n.json" "fb$n.json" "font combination $n ($combo) exported again"
done
# A linked setting that cannot follow, without its own entry, is refused and
# changes no file; a refused entry named by its place leaves the files alone.
cp impcopy.devmode keep.devmode; cp impcopy.secondary keep.secondary
for bad in linked9.json paired6.json rangesecond.json unknownsecond.json; do
    refused --set impcopy import "$bad" && fail "import $bad succeeded"
    same impcopy.devmode keep.devmode "refused import $bad"
    same impcopy.secondary keep.secondary "refused import $bad"
done
# Text with the five C1 controls of code page 1252 comes back byte for byte.
run new c1set; cp c1.devmode c1set.devmode
run --set c1set export -o c1set.json || fail "export of C1 controls"
run new c1back; run --set c1back import c1set.json || fail "import of C1 controls"
same c1set.devmode c1back.devmode "C1 controls round trip"

# docprop upgrade writes a file that reads back in the current layout, and a
# refused upgrade leaves the target alone.
run docprop upgrade old.prop up.prop || fail "upgrade"
run docprop upgrade up.prop up2.prop || fail "upgrade of a current file"
same up.prop up2.prop "upgrading a current file copies it"
cp up.prop up.keep
refused docprop upgrade badsig.prop up.prop && fail "upgrade of a malformed file succeeded"
same up.prop up.keep "refused upgrade"

# docprop on paths that the library's path setting cannot hold as they are
# (non-ASCII names, more than 128 characters): the cases wrote the same file
# as with a short name, and the refused upgrade left its target alone.
long_name=a-document-property-file-whose-name-is-longer-than-the-one-hundred-and-twenty-eight-characters-that-the-library-path-setting-can-hold.prop
long_dir=$(printf './%.0s' {1..66})
same "$cases/docprop_upgrade_to_unicode/日本.prop" upgraded.prop "upgrade to a non-ASCII name"
same "$cases/docprop_upgrade_unicode/新しい.prop" upgraded.prop "upgrade between non-ASCII names"
same "$cases/docprop_upgrade_long_name/$long_name" upgraded.prop "upgrade to a long name"
same "$cases/docprop_upgrade_128/$(printf 'x%.0s' {1..123}).prop" upgraded.prop "upgrade to a path of 128 characters"
same "$cases/docprop_upgrade_129/$(printf 'x%.0s' {1..124}).prop" upgraded.prop "upgrade to a path of 129 characters"
same "$cases/docprop_upgrade_long_folder/folder-up.prop" upgraded.prop "upgrade through a long folder path"
same "$cases/docprop_long_malformed/folder-up.prop" upgraded.prop "a refused upgrade through a long folder path"
cp "$cases/docprop_upgrade_long_name/$long_name" .
run docprop upgrade "$long_name" "${long_dir}日本-long.prop" || fail "upgrade from a long path to a long non-ASCII path"
same 日本-long.prop upgraded.prop "upgrade from a long path to a long non-ASCII path"
none_left '.dmactl-*' "scratch files"
# Natively the scratch files for long paths go to TMPDIR first; none stays there.
case "$dmactl" in
*.exe) ;;
*)
    mkdir -p scratch-tmp
    TMPDIR=$PWD/scratch-tmp run docprop upgrade "${long_dir}old.prop" "${long_dir}tmp-up.prop" ||
        fail "upgrade through TMPDIR"
    same tmp-up.prop upgraded.prop "upgrade through TMPDIR"
    TMPDIR=$PWD/scratch-tmp run docprop show "$long_name" || fail "show through TMPDIR"
    TMPDIR=$PWD/scratch-tmp refused docprop upgrade "${long_dir}badsig.prop" "${long_dir}tmp-up.prop" &&
        fail "upgrade of a malformed file through TMPDIR succeeded"
    same tmp-up.prop upgraded.prop "refused upgrade through TMPDIR"
    if [ -z "$(ls -A scratch-tmp)" ]; then pass; else fail "scratch files left in TMPDIR: $(ls -A scratch-tmp)"; fi ;;
esac
# Safe writes.  A refused write leaves every file of the command as it was:
# an old-layout or foreign fax-address block, a read-only record, one file
# named for two records.
zeros 5988 > zero.devmode; zeros 7974 > zero.secondary
{ fax_header ZOVA001 1 "Old one" ""; fax_entry 768 "1" "x"; } > o2.expected
{ fax_header ABCD 0 "" ""; } > notfax.expected
for c in safe_old_fax_set safe_old_fax_import safe_old_fax_read safe_old_fax_unused; do
    same "$cases/$c/o2.fax" o2.expected "$c: an old-layout fax-address block is not rewritten"
done
same "$cases/safe_foreign_fax_set/notfax.fax" notfax.expected "refused change of a foreign block"
same "$cases/safe_old_fax_import/safe.devmode" zero.devmode "import refused for its old-layout fax-address block"
same "$cases/safe_old_fax_import/safe.secondary" zero.secondary "import refused for its old-layout fax-address block"
same "$cases/safe_read_only/safero.devmode" zero.devmode "import refused for a read-only secondary record"
same "$cases/safe_read_only/safero.secondary" zero.secondary "import refused for a read-only secondary record"
same "$cases/safe_same_file/blank.secondary" zero.secondary "one file named for two records"
# Several files are written all or nothing: the second record's temporary
# file cannot be created (its name is longer than a file name may be), so the
# first record, whose temporary file was written, is not replaced either.
long=$(printf 'L%.0s' {1..240}).secondary
cp zero.secondary "$long"; cp zero.devmode safelong.devmode
"${runner[@]}" --devmode safelong.devmode --secondary "$long" import safe2.json > /dev/null 2> long-err.txt < /dev/null
if grep -q 'cannot write a temporary file.*; no file was changed' long-err.txt; then pass
else fail "write with an impossible temporary file: $(head -c 300 long-err.txt)"; fi
same safelong.devmode zero.devmode "all or nothing: first record of a failed write"
same "$long" zero.secondary "all or nothing: second record of a failed write"
rm -f "$long"
# A replaced file keeps its permissions, and a symbolic link stays a link to
# the file that was changed (posix; on Windows a new file has the default
# permissions and a link is not followed).
case "$dmactl" in
*.exe) ;;
*)
    mode=$(stat -c %a "$cases/safe_mode/safemode.devmode")
    if [ "$mode" = 600 ]; then pass; else fail "safemode.devmode: mode $mode, expected 600"; fi
    if [ -L "$cases/safe_link/safelink.devmode" ]; then pass; else fail "safelink.devmode is no longer a symbolic link"; fi
    if cmp -s "$cases/safe_link/safereal.devmode" zero.devmode; then fail "safereal.devmode: not changed through its link"; else pass; fi ;;
esac
none_left '*.tmp' "temporary files"

# `new` writes all of a set's files or none.
if [ -e "$cases/new_dir_in_the_way/dirset.devmode" ]; then fail "new wrote dirset.devmode although dirset.secondary is a folder"; else pass; fi

# Record commands: a destination added and deleted again leaves the block
# byte for byte; extracted sections joined again give the same file; a
# refused change leaves its file alone.
cp rt.fax rt.keep
run fax add rt.fax 1795=1 && run fax delete rt.fax 2
same rt.fax rt.keep "fax add then delete"
same "$cases/docprop_new_from/recs.prop" "$cases/docprop_new_from/joined.prop" "docprop extract, then new --from"
cp list.rec list.keep
refused --set recs records apply 3 list.rec "$(printf 'n%.0s' {1..41})" && fail "a name too long for its key was stored"
same list.rec list.keep "refused records apply"
cp one.fax one.keep; refused fax set one.fax 1 1795=1
same one.fax one.keep "refused fax set"

# The tool calls the library's exports from the shared library.
case "$dmactl" in
*.exe)
    if command -v x86_64-w64-mingw32-objdump > /dev/null; then
        imports=$(x86_64-w64-mingw32-objdump -p "$dmactl")
        if grep -q 'DLL Name: dmaccess.dll' <<< "$imports" && grep -q 'DMA_SetValue' <<< "$imports"; then pass
        else fail "dmactl.exe does not import DMA_SetValue from dmaccess.dll"; fi
    fi ;;
*)
    if command -v nm > /dev/null; then
        undefined=$(nm -D --undefined-only "$dmactl")
        defined=$(nm --defined-only "$dmactl")
        if grep -qw DMA_SetValue <<< "$undefined" && ! grep -qw 'DMA_[A-Za-z_]*' <<< "$defined"; then pass
        else fail "dmactl defines DMA_* itself instead of importing them"; fi
    fi ;;
esac

# Standard input and output as "-": an export through a pipe imports into
# blank records byte for byte; two reads of standard input and a record read
# from it that would be written back are refused.
run new vpipe
run new vpipe2
run --set vpipe set dmOrientation 2
"${runner[@]}" --set vpipe export - 2> /dev/null < /dev/null | "${runner[@]}" --set vpipe2 import - > /dev/null 2>&1 ||
    fail "export - | import -"
same vpipe.devmode vpipe2.devmode "export to standard output, import from standard input"
if "${runner[@]}" --devmode - set dmOrientation 1 < vpipe.devmode > /dev/null 2> stdin-err.txt; then
    fail "a record from standard input was written back"
elif grep -q 'standard input cannot be written back' stdin-err.txt; then pass
else fail "record from standard input: $(head -c 300 stdin-err.txt)"; fi
# A document-property file read from standard input and written to standard
# output is the file the same upgrade writes to a named file.
"${runner[@]}" docprop upgrade - - < old.prop > up-stdout.prop 2> /dev/null || fail "docprop upgrade - -"
same up-stdout.prop upgraded.prop "docprop upgrade through standard input and output"
if [ -e ./- ]; then fail "a file named - was written"; else pass; fi
# A contradicting import changes no file.
cp vpipe.devmode vpipe-keep.devmode
refused --set vpipe import conflict.json && fail "a contradicting import succeeded"
same vpipe.devmode vpipe-keep.devmode "refused contradicting import"
# A write error on standard output is an error.  (Natively only: under Wine
# the runner copies the program's output to ours afterwards.)
if [ -w /dev/full ] && [[ $dmactl != *.exe ]]; then
    if "${runner[@]}" show 0x7 > /dev/full 2> full-err.txt < /dev/null; then fail "show > /dev/full succeeded"
    elif grep -q 'cannot write standard output' full-err.txt; then pass
    else fail "show > /dev/full: $(head -c 300 full-err.txt)"; fi
fi
# The team's names file: from the config folder, DMACTL_NAMES before it,
# --names before both.
mkdir -p .config/dmactl; printf '0x0007 fromConfig\n' > .config/dmactl/names
printf '0x0007 fromEnvironment\n' > env.names
check_name() {  # EXPECTED NAME, then environment assignments
    local want=$1; shift
    local got
    got=$(export "$@"; "${runner[@]}" --json get 0x7 2> /dev/null < /dev/null | grep '"name"')
    if grep -q "\"$want\"" <<< "$got"; then pass; else fail "names file: expected $want, got $got"; fi
}
case "$dmactl" in
*.exe) ;;  # the config folder is %APPDATA% there
*) check_name fromConfig XDG_CONFIG_HOME="$PWD/.config" ;;
esac
check_name fromEnvironment XDG_CONFIG_HOME="$PWD/.config" DMACTL_NAMES=env.names WINEDEBUG=-all
# report: values and paths reach the page escaped, and a refused file still
# gives a page that says why (exit 1).  '<' cannot stand in a Windows name.
run new esc && run --set esc set 0x1 '<script>alert(1)</script>' && run report esc -o esc.html
if grep -q '&lt;script&gt;alert(1)&lt;/script&gt;' esc.html && ! grep -q '<script>alert' esc.html; then pass
else fail "report: the value <script>alert(1)</script> is not escaped in esc.html"; fi
case "$dmactl" in
*.exe) bad='bad&.devmode' shown='bad&amp;.devmode' ;;
*) bad='bad<&.devmode' shown='bad&lt;&amp;.devmode' ;;
esac
zeros 100 > "$bad"
if refused report "$bad" -o bad.html; then fail "report of a 100-byte record: exit 0"
elif grep -qF "id=\"refusal\">$shown: " bad.html; then pass
else fail "report of $bad: no escaped refusal in bad.html"; fi
# The manual page and bash completion cover every command.
"${runner[@]}" --generate man > dmactl.1 2> /dev/null < /dev/null
"${runner[@]}" --generate bash-completion > dmactl.bash 2> /dev/null < /dev/null
for c in catalogue show get set diff report validate export import new docprop help; do
    if grep -q "^\.B $c" dmactl.1 && grep -qw "$c" dmactl.bash; then pass; else fail "$c missing from the manual page or completion"; fi
done
if bash -n dmactl.bash; then pass; else fail "the bash completion is not valid bash"; fi
report_timeouts

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
