#!/usr/bin/env bash
# Uninstalls a product of 10,000 files in 100 folders with the packed
# Windows build under Wine and, in the same run, removes an identical tree
# with "cmd /c rd /s /q" under Wine; prints both times and their ratio.
#
#   bench/uninstall-wine.sh [BUILD_DIR] [RUNS]     (defaults: build/win64, 5)
#
# Needs the win64 build (uninstall.exe, ffspack.exe, tests/regtool.exe,
# tests/winrobot.exe), wine, xvfb-run and hyperfine. The confirmation box is
# answered by the dialog robot on a virtual display; both commands are
# whole Wine runs against one running wineserver, so each includes the start
# of a Wine process. "start" is that cost alone (cmd /c exit), and the
# ratio without it tells what the removal itself costs. Everything happens
# in a temporary folder and a private Wine prefix removed at the end.
set -euo pipefail
. "$(dirname "$0")/product-tree.sh"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a --server-args="-screen 0 1024x768x24" "$0" "$@"
fi
build=$(cd "${1:-build/win64}" && pwd)
runs=${2:-5}
for tool in "$build/uninstall.exe" "$build/ffspack.exe" "$build/tests/regtool.exe" \
            "$build/tests/winrobot.exe"; do
    [ -f "$tool" ] || { echo "missing $tool: build the win64 preset first" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }

work=$(mktemp -d)
export WINEPREFIX=$work/wineprefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
wineboot --init >/dev/null 2>&1
wineserver -w
wineserver -p    # one server for every run: no run pays for starting it

programs="$WINEPREFIX/drive_c/Program Files"
product="$programs/Bench Product"
plain="$WINEPREFIX/drive_c/plain"

template=$work/template
list=$work/files.txt
make_product_tree "$template" "$list" 100

wine "$build/tests/regtool.exe" set-string 1 'Software\Tolvane\Bench' 'Install Path' \
    'C:\Program Files\Bench Product\' >/dev/null
# No "DONE": its completion box would be one more box to answer.
{
    printf '\x16%s\r\n' 'COMPANY NAME:Tolvane' 'PRODUCT NAME:Bench' \
        'REGISTRY PATH:Software\Tolvane\Bench' 'INSTALL DIR:Bench Product' 'INSTALL PATH:'
    printf '\x16FILE LIST:%s\r\n' "$(sed 's/,$//' "$list")"
    printf '\x16%s\r\n' 'INSTALL:'
} > "$work/install.dat"
(cd "$work" && wine "$build/ffspack.exe" pack "$build/uninstall.exe" install.dat bench.exe >/dev/null)
packed=$work/bench.exe

cat > "$work/uninstall" <<SCRIPT
#!/usr/bin/env bash
wine '$packed' -Spawn >/dev/null 2>&1 &
program=\$!
wine '$build/tests/winrobot.exe' press 'Uninstall...' Yes >/dev/null 2>&1
wait \$program
SCRIPT
chmod +x "$work/uninstall"
# Each run starts with the copy written out: its write-back would otherwise
# land on whichever removal runs next, and grow with the tree.
restore_product="rm -rf '$product' && mkdir -p '$programs' && cp -a '$template' '$product' && sync"
restore_plain="rm -rf '$plain' && cp -a '$template' '$plain' && sync"
remove="wine cmd /c rd /s /q 'C:\\plain' >/dev/null 2>&1"
start="wine cmd /c exit >/dev/null 2>&1"

# Both must really remove the whole tree.
bash -c "$restore_product" && "$work/uninstall"
[ ! -e "$product" ] || { echo "the uninstaller left files behind:" >&2; find "$product" | head >&2; exit 1; }
bash -c "$restore_plain" && bash -c "$remove"
[ ! -e "$plain" ] || { echo "rd left files behind" >&2; exit 1; }

hyperfine --runs "$runs" --warmup 1 --export-json "$work/times.json" --style basic \
    --prepare "$restore_product" -n uninstall "$work/uninstall" \
    --prepare "$restore_plain" -n "rd /s /q" "$remove" \
    --prepare true -n start "$start" >&2
python3 - "$work/times.json" <<'PY'
import json, sys
results = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
u, r, s = results["uninstall"], results["rd /s /q"], results["start"]
print("median: uninstall %.1f ms, rd /s /q %.1f ms, ratio %.2f; start of wine %.1f ms, "
      "ratio without it %.2f" % (u * 1e3, r * 1e3, u / r, s * 1e3, (u - s) / max(r - s, 1e-3)))
PY
