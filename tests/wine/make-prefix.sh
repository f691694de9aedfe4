#!/bin/sh
# Creates the private Wine prefix of a test run before any test uses it:
# prefixes created lazily by parallel tests break.
set -e
export WINEPREFIX="$1"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="err-all,fixme-all"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1
fi
wineserver -w
