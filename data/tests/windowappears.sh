#!/usr/bin/env bash
# Starts the installed Vantril from a fresh folder far from the build, with the
# sample named relative to that folder on its command line, and checks as a
# user would: its window, titled and classed as its desktop file expects, with
# its icon; the name and the installed provider are used (stepping before the
# start of the opened sample only says "At Start of File"); and a missing
# database ends it, after its box, with status 1.
# Usage: windowappears.sh INSTALLED_VANTRIL SAMPLE_DB
set -euo pipefail
folder="$(mktemp -d)"
cd "$folder"
ln -s "$2" sample.db
"$1" sample.db >"$folder/log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$folder"' EXIT

fail() { echo "FAIL: $*"; cat "$folder/log"; exit 1; }
windows() { xdotool search --onlyvisible --name '^Vantril$' 2>/dev/null || true; }
# Tries a check for up to 10 s: the icon and a box may come a moment late.
eventually() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
running() { kill -0 "$pid" 2>/dev/null; }

window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantril$' | head -n1)" ||
  fail "no visible Vantril window within 20 s"
# Desktops show _NET_WM_NAME, and match the window to its desktop file by WM_CLASS.
[[ "$(xprop -id "$window" _NET_WM_NAME)" == *'= "Vantril"' ]] || fail "the title is not Vantril"
[[ "$(xprop -id "$window" WM_CLASS)" == *'"vantril"'* ]] || fail "WM_CLASS does not name vantril"
has_icon() { [[ "$(xprop -id "$window" _NET_WM_ICON)" == *'Icon ('* ]]; }
eventually has_icon || fail "the window has no icon"

# In logical pixels: the first kind Form at (8,64), Vantril at (96,64)
# 129x33, Previous at (48,208) 65x17, the database box at (0,32) 217x19.
click() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; sleep 0.3; }
box_shown() { box="$(windows | grep -vx "$window" | head -n1)"; }
click 30 68
click 160 80
sleep 1
[ "$(windows | wc -l)" -eq 1 ] || fail "opening the sample showed a box (provider not found?)"
running || fail "Vantril ended after opening the sample"
click 80 216
eventually box_shown || fail "stepping before the start showed no message"
xdotool windowfocus --sync "$box" key Return
sleep 1
running || fail "Vantril ended after its message: the catalog was not open"
[ "$(windows | wc -l)" -eq 1 ] || fail "the message box did not close"

click 100 41
xdotool key --window "$window" ctrl+a type --window "$window" missing.db
click 160 80
eventually box_shown || fail "opening a missing database showed no message"
xdotool windowfocus --sync "$box" key Return
status=0
timeout 10 tail --pid="$pid" -f /dev/null || fail "Vantril did not end after its error"
wait "$pid" || status=$?
[ "$status" -eq 1 ] || fail "Vantril ended with status $status after an error, not 1"
echo "PASS"
