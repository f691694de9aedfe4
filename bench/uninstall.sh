#!/usr/bin/env bash
# Uninstalls a product of 10,000 files in 100 folders and, in the same run,
# removes an identical tree with rm -rf; prints both times and their ratio.
#
#   bench/uninstall.sh [BUILD_DIR] [RUNS] [FOLDERS]
#
# Defaults: build/native, 10 runs, 100 folders. Each folder holds 100 files,
# so 1000 folders make 100,000 files. The last line is the result; the
# details of each run go to standard error.
#
# Needs the native build (uninstall, ffspack, tests/regtool) and hyperfine;
# without hyperfine each command is timed RUNS times with /usr/bin/time.
# Everything happens in a temporary folder that is removed at the end.
set -euo pipefail
. "$(dirname "$0")/product-tree.sh"
build=$(cd "${1:-build/native}" && pwd)
runs=${2:-10}
folders=${3:-100}
for tool in "$build/uninstall" "$build/ffspack" "$build/tests/regtool"; do
    [ -x "$tool" ] || { echo "missing $tool: build the native preset first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export UNINSTALL_PREFIX=$work/prefix
programs="$UNINSTALL_PREFIX/drive_c/Program Files"
product="$programs/Bench Product"
plain=$work/plain

# The template both trees are copied from: folders of 100 small files.
template=$work/template
list=$work/files.txt
make_product_tree "$template" "$list" "$folders"

"$build/tests/regtool" set-string 1 'Software\Tolvane\Bench' 'Install Path' \
    'C:\Program Files\Bench Product\'
script=$work/install.dat
{
    printf '\x16%s\r\n' 'COMPANY NAME:Tolvane' 'PRODUCT NAME:Bench' \
        'REGISTRY PATH:Software\Tolvane\Bench' 'INSTALL DIR:Bench Product' 'INSTALL PATH:'
    printf '\x16FILE LIST:%s\r\n' "$(sed 's/,$//' "$list")"
    printf '\x16%s\r\n' 'INSTALL:' 'DONE:'
} > "$script"
packed=$work/bench-uninstall
"$build/ffspack" pack "$build/uninstall" "$script" "$packed" >/dev/null

# Each run starts with the copy written out: its write-back would otherwise
# land on whichever removal runs next, and grow with the tree.
restore_product="rm -rf '$product' && mkdir -p '$programs' && cp -a '$template' '$product' && sync"
restore_plain="rm -rf '$plain' && cp -a '$template' '$plain' && sync"
uninstall="printf 'yes\n' | '$packed' -Spawn >/dev/null"
remove="rm -rf '$plain'"

# The uninstaller must really remove the whole tree.
bash -c "$restore_product" && bash -c "$uninstall"
if [ -e "$product" ]; then
    echo "the uninstaller left files behind:" >&2
    find "$product" | head >&2
    exit 1
fi

if command -v hyperfine >/dev/null; then
    hyperfine --runs "$runs" --warmup 1 --export-json "$work/times.json" --style basic \
        --prepare "$restore_product" -n uninstall "$uninstall" \
        --prepare "$restore_plain" -n "rm -rf" "$remove" >&2
    python3 - "$work/times.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
u, r = results["uninstall"]["median"], results["rm -rf"]["median"]
print("median: uninstall %.1f ms, rm -rf %.1f ms, ratio %.2f" % (u * 1e3, r * 1e3, u / r))
PY
else
    median() {  # median of RUNS timings of one command, in seconds
        for _ in $(seq "$runs"); do
            bash -c "$1"
            /usr/bin/time -f %e -o "$work/t" bash -c "$2"
            cat "$work/t"
        done | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
    }
    u=$(median "$restore_product" "$uninstall")
    r=$(median "$restore_plain" "$remove")
    awk -v u="$u" -v r="$r" 'BEGIN { printf "median: uninstall %.2f s, rm -rf %.2f s, ratio %.2f\n", u, r, u / r }'
fi
