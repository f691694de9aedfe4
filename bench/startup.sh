#!/usr/bin/env bash
# Starts and ends the program with a trivial script and, in the same run,
# /bin/true; prints both times and their ratio.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]     (defaults: build/native, 200)
#
# Needs the native build (uninstall, ffspack) and hyperfine. The script only
# names the company, so the run reads its archive, runs the script and ends;
# "-Spawn" keeps it in place, as the relocated copy runs.
set -euo pipefail
build=$(cd "${1:-build/native}" && pwd)
runs=${2:-200}
for tool in "$build/uninstall" "$build/ffspack"; do
    [ -x "$tool" ] || { echo "missing $tool: build the native preset first" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export UNINSTALL_PREFIX=$work/prefix
printf '\x16%s\r\n' 'COMPANY NAME:Tolvane' > "$work/install.dat"
packed=$work/bench-start
"$build/ffspack" pack "$build/uninstall" "$work/install.dat" "$packed" >/dev/null
"$packed" -Spawn >/dev/null || { echo "the trivial run failed" >&2; exit 1; }

hyperfine -N --runs "$runs" --warmup 10 --export-json "$work/times.json" --style basic \
    -n program "$packed -Spawn" -n /bin/true "/bin/true" >&2
python3 - "$work/times.json" <<'PY'
import json, sys
results = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
p, t = results["program"], results["/bin/true"]
print("median: program %.2f ms, /bin/true %.2f ms, ratio %.2f" % (p * 1e3, t * 1e3, p / t))
PY
