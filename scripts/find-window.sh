#!/usr/bin/env bash
# xdotool search within a time limit, for the scripts that drive the program
# on a virtual display:
#   find-window.sh SECONDS XDOTOOL-SEARCH-ARGUMENTS...
# xdotool looks over every window of the display; a window that closes
# meanwhile makes it die of an X "BadWindow" error. That race says nothing
# about the program being driven, so the search is made again, within the
# same limit. Any other complaint of xdotool is passed on; the exit status is
# xdotool's (1: no such window, 124: the time limit).
set -uo pipefail
limit=$1
shift
deadline=$((SECONDS + limit))
err=$(mktemp)
trap 'rm -f "$err"' EXIT
while :; do
    left=$((deadline - SECONDS))
    [ "$left" -lt 1 ] && left=1
    rc=0
    found=$(timeout "$left" xdotool search "$@" 2>"$err") || rc=$?
    if [ "$rc" -eq 1 ] && grep -q 'BadWindow' "$err" && [ "$SECONDS" -lt "$deadline" ]; then continue; fi
    cat "$err" >&2
    [ -n "$found" ] && printf '%s\n' "$found"
    exit "$rc"
done
