#!/usr/bin/env bash
# report_identity.sh NATIVE_DMACTL DMACTL_EXE WORK_DIR EMULATOR... - the
# pages `dmactl report` writes do not depend on the system: dmactl.exe under
# Wine writes, byte for byte, the page the native tool writes from the same
# files named by the same relative paths.  Exit 77 (skipped) without a
# native tool.
set -euo pipefail
native=$1 windows=$2 work=$3
shift 3
if [[ ! -x $native ]]; then
    echo "no native dmactl at $native (build the native preset): skipped"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
cd "$work"
unset DMACTL_NAMES
export XDG_CONFIG_HOME=$PWD/.config

# A record set, a changed copy with a text that HTML must escape, a
# document-property file and a refused record.
printf '0x0127 paperClass\n0x010B finisher\n' > team.names
"$native" new job > /dev/null
"$native" new copy > /dev/null
"$native" --set copy set 0x7 2 > /dev/null
"$native" --set copy set 0x10B 7 > /dev/null
"$native" --set copy set 0x1 '<script>"x" & y</script>' > /dev/null
"$native" --set copy docprop new copy.prop > /dev/null
head -c 100 job.devmode > short.devmode

failed=0
check() {
    local name=$1
    shift
    local native_status=0 windows_status=0
    "$native" --names team.names report "$@" -o "$name.native.html" 2> /dev/null || native_status=$?
    "${EMULATOR[@]}" "$windows" --names team.names report "$@" -o "$name.windows.html" 2> /dev/null ||
        windows_status=$?
    if [[ $native_status != "$windows_status" ]]; then
        echo "FAIL $name: exit status $native_status natively, $windows_status under Wine"
        failed=1
    elif ! cmp "$name.native.html" "$name.windows.html"; then
        echo "FAIL $name: the pages differ"
        failed=1
    else
        echo "ok   $name ($(wc -c < "$name.native.html") bytes, exit $native_status)"
    fi
}
EMULATOR=("$@")
check compare job copy
check docprop copy.prop
check refused short.devmode
exit $failed
