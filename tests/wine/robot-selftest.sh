#!/bin/sh
# Tries the dialog robot on boxes of its own under Wine: the end-to-end
# tests trust what it reads and presses. Usage: robot-selftest.sh WINROBOT.EXE
set -u
robot="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() {  # expect NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        echo "ok   $1"
    else
        echo "FAIL $1: expected [$2], got [$3]"
        failures=$((failures + 1))
    fi
}

# A question answered No: the robot prints the text, the box reports No.
wine "$robot" show-box "Uninstall..." "Remove Acme 2.0?" yesno >"$work/box" 2>/dev/null &
box=$!
text=$(wine "$robot" answer --caption "Uninstall..." --button No --print-text --timeout 20000)
expect "answer exit status" 0 $?
wait $box
expect "question text read" "Remove Acme 2.0?" "$text"
expect "question answered No" "No" "$(tr -d '\r' <"$work/box")"

# Yes by the short form; the box is gone afterwards.
wine "$robot" show-box "Uninstall..." "Again?" yesno >"$work/box" 2>/dev/null &
box=$!
text=$(wine "$robot" press "Uninstall..." yes --timeout 20000)
wait $box
expect "press prints the text" "Again?" "$text"
expect "question answered Yes" "Yes" "$(tr -d '\r' <"$work/box")"
wine "$robot" wait-gone "Uninstall..." --timeout 2000
expect "box closed" 0 $?

# An OK box of two lines, pressed by control id.
wine "$robot" show-box "Uninstall problem..." "Line one
Line two" >"$work/box" 2>/dev/null &
box=$!
text=$(wine "$robot" wait-box "Uninstall problem..." --timeout 20000)
expect "both lines read" "Line one
Line two" "$text"
wine "$robot" press "Uninstall problem..." 1 >/dev/null
wait $box
expect "OK box closed by id" "OK" "$(tr -d '\r' <"$work/box")"

# Nothing to find: status 2 within the time-out; a missing button: status 3.
wine "$robot" wait-box "No such window" --timeout 300 2>/dev/null
expect "missing window" 2 $?
wine "$robot" show-box "Uninstall problem..." "Only OK" >"$work/box" 2>/dev/null &
box=$!
wine "$robot" press "Uninstall problem..." Yes --timeout 20000 >/dev/null 2>&1
expect "missing button" 3 $?
wine "$robot" press "Uninstall problem..." OK >/dev/null
wait $box

[ $failures -eq 0 ]
