#!/usr/bin/env bash
# wine-run.sh PROGRAM [ARGS...] - runs a Windows test program under Wine for
# ctest (CMAKE_CROSSCOMPILING_EMULATOR of the Windows build).
# wine-run.sh --stop-server - ends the Wine server of the prefix.
#
# The Wine prefix is private to the build: $WINEPREFIX when set, otherwise
# the folder "wineprefix" next to PROGRAM.  The first start creates it
# (wineboot, several seconds); an exclusive lock makes concurrent first
# starts wait for that instead of racing on a half-built prefix.  The Wine
# server is kept alive until `--stop-server`, so that a test run pays its
# start-up (seconds) once instead of once per program.  Wine's own
# diagnostics are silenced; the program's output and exit status pass through.
set -euo pipefail

if [[ $# -lt 1 ]]; then
    echo "usage: $0 PROGRAM [ARGS...] | --stop-server" >&2
    exit 2
fi

if [[ $1 == --stop-server ]]; then
    program_dir=$PWD
else
    program_dir=$(cd "$(dirname "$1")" && pwd)
fi
export WINEPREFIX=${WINEPREFIX:-$program_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Debian puts the 64-bit loader outside the PATH; `wine` also runs 64-bit
# programs but complains when the 32-bit half is not installed.
wine=""
for candidate in "${DMACCESS_WINE:-}" wine64 /usr/lib/wine/wine64 wine; do
    if [[ -n $candidate ]] && command -v "$candidate" >/dev/null 2>&1; then
        wine=$candidate
        break
    fi
done
if [[ -z $wine ]]; then
    echo "wine-run.sh: no Wine found (install wine64)" >&2
    exit 127
fi
wineserver=$(dirname "$(command -v "$wine")")/wineserver
[[ -x $wineserver ]] || wineserver=wineserver

if [[ $1 == --stop-server ]]; then
    "$wineserver" -k >/dev/null 2>&1 || true
    exit 0
fi

if [[ ! -f $WINEPREFIX/.dmaccess-ready ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [[ ! -f $WINEPREFIX/.dmaccess-ready ]]; then
        "$wine" wineboot --init >/dev/null 2>&1 || true
        # wineboot returns before the prefix is fully written; the server
        # finishing marks the end.
        "$wineserver" --wait >/dev/null 2>&1 || true
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            echo "wine-run.sh: could not create the Wine prefix $WINEPREFIX" >&2
            exit 1
        fi
        touch "$WINEPREFIX/.dmaccess-ready"
    fi
    flock -u 9
    exec 9>&-
fi

# A no-op when a server for the prefix is already running.  The server stays
# until `--stop-server` (the last test of a run): with an idle timeout, a
# program starting just as the server exits fails at once without output.
"$wineserver" -p >/dev/null 2>&1 || true

# The program's output goes through files rather than straight to the
# caller: Wine's helper processes (services, plug-and-play, device host)
# inherit the descriptors of the program that starts them and outlive it
# while the server persists, and ctest would wait for them to close its pipe.
# Standard output and standard error stay apart.
output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
errors=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$output" "$errors"' EXIT
set +e
"$wine" "$@" >"$output" 2>"$errors"
status=$?
# A failure with no output at all is Wine failing to start the program
# (every test program and example prints something): start it once more.
if [[ $status -ne 0 && ! -s $output && ! -s $errors ]]; then
    echo "wine-run.sh: $1 failed to start (status $status); starting it again" >&2
    "$wineserver" -p >/dev/null 2>&1 || true
    "$wine" "$@" >"$output" 2>"$errors"
    status=$?
fi
set -e
cat "$output"
cat "$errors" >&2
exit "$status"
