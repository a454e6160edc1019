#!/usr/bin/env bash
# Starts the installed Vantril far from the build with the sample named on its
# command line, and checks as a user would: its window, titled "Vantril" as
# desktops show it; opening the sample shows no box (the name and the
# installed provider were used); a missing database ends it, after its box,
# with status 1. The sample is named "-reverse" after "--": a
# database name there, not Qt's option, which would mirror the window and
# leave the box empty. Usage: $0 VANTRIL SAMPLE_DB
set -euo pipefail
folder="$(mktemp -d)" && cd "$folder" && ln -s "$2" ./-reverse
"$1" -- -reverse >log 2>&1 & pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$folder"' EXIT
fail() { echo "FAIL: $*"; cat "$folder/log"; exit 1; }
windows() { xdotool search --onlyvisible --name '^Vantril$' 2>/dev/null || true; }
eventually() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantril$' | head -n1)" || fail "no window"
[[ "$(xprop -id "$window" _NET_WM_NAME)" == *'= "Vantril"' ]] || fail "the title is not Vantril"
# Form at (8,64), Vantril (96,64) 129x33, the database box (0,32).
click() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 30 68 && click 160 80 && sleep 1
[ "$(windows | wc -l)" -eq 1 ] || fail "opening the sample showed a box"
click 100 41
xdotool key --window "$window" ctrl+a type --window "$window" missing.db
click 160 80
box_shown() { box="$(windows | grep -vx "$window" | head -n1)"; }
eventually box_shown || fail "opening a missing database showed no message"
xdotool windowfocus --sync "$box" key Return
timeout 10 tail --pid="$pid" -f /dev/null || fail "Vantril did not end after its error"
status=0 && wait "$pid" || status=$?
[ "$status" -eq 1 ] || fail "Vantril ended with status $status after an error, not 1"
echo PASS
