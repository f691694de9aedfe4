#!/usr/bin/env bash
# Downloads a 200 MB release from the loopback server with the program (a
# packed script in update mode, answered on standard input) and, in the same
# run, with curl; prints both throughputs and their ratio.
#
#   bench/download.sh [BUILD_DIR] [RUNS]     (defaults: build/native, 5)
#
# UPDATE_FLAGS adds switches to the program's command line, e.g. "-debug" to
# measure it with its log on.
#
# Needs the native build (uninstall, ffspack, tests/exitwith), python3 and
# curl. The program's time is that of the whole run: question, version
# information, download, the check of the release's signature (the script
# names a key, so the release is only started when it holds) and the start
# of the new release. Everything
# happens in a temporary folder that is removed at the end.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/native}" && pwd)
runs=${2:-5}
size_mb=200
flags=${UPDATE_FLAGS:-}
for tool in "$build/uninstall" "$build/ffspack" "$build/tests/exitwith"; do
    [ -x "$tool" ] || { echo "missing $tool: build the native preset first" >&2; exit 2; }
done
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 2; }

work=$(mktemp -d)
server_pid=
cleanup() {
    touch "$work/server/stop" 2>/dev/null || true
    [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export UNINSTALL_PREFIX=$work/prefix
product="$UNINSTALL_PREFIX/drive_c/Program Files/Tolvane Bench"
mkdir -p "$product" "$work/server"

# The new release: the exitwith helper, padded to 200 MB. It ends with 1,
# "updated", when started with "-Quiet".
release=$work/release.bin
cp "$build/tests/exitwith" "$release"
truncate -s $((size_mb * 1024 * 1024)) "$release"
export EXITWITH_CODE=1
bytes=$(stat -c %s "$release")

# Signed as a vendor signs: the release's name and bytes for the block's
# identity and version.
key=$("$build/ffspack" keygen "$work/bench.key")
cp "$release" "$work/bench.exe"
signature=$("$build/ffspack" sign "$work/bench.key" "$work/bench.exe" "Tolvane Bench" "2.0")
rm "$work/bench.exe"

printf '<testcase>\n<reply crlf="yes">\nHTTP/1.0 200 OK\nContent-Type: text/plain\n\n\x161Tolvane Bench\n\x1622.0\n\x163http://127.0.0.1/\n\x164http://127.0.0.1:%%port%%/files/bench.exe\n\x165%s\n\x160\n</reply>\n</testcase>\n' \
    "$signature" > "$work/versions.case"
printf '<testcase>\n<reply crlf="yes">\nHTTP/1.0 200 OK\nContent-Length: %d\n\n%%file[%s]%%</reply>\n</testcase>\n' \
    "$bytes" "$release" > "$work/download.case"
python3 "$source_dir/tests/servers/httpserver.py" --dir "$work/server" \
    --case "$source_dir/tests/servers/cases/ok.case" \
    --route "/update/versions.txt=$work/versions.case" \
    --route "/files/bench.exe=$work/download.case" --lifetime 3600 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/server/port" ] && break; sleep 0.1; done
port=$(cat "$work/server/port")
url="http://127.0.0.1:$port/files/bench.exe"

script=$work/install.dat
printf '\x16%s\r\n' 'COMPANY NAME:Tolvane' 'PRODUCT NAME:Bench' 'PRODUCT VERSION:1.54' \
    'INSTALL DIR:Tolvane Bench' 'INSTALL PATH:' \
    "UPDATE URL:http://127.0.0.1:$port/update/versions.txt" "UPDATE KEY:$key" 'DONE:' > "$script"
packed=$work/bench-update
"$build/ffspack" pack "$build/uninstall" "$script" "$packed" >/dev/null

program_run() { printf 'yes\n1026\n' | "$packed" -Spawn -Update $flags > "$work/program.out"; }
curl_run() { curl -s -o "$work/curl.out" "$url"; }
seconds() {  # the wall time of one call of $1
    local start end
    start=$(date +%s.%N)
    "$1"
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
}

# Both must really fetch the whole release, and the program must start it.
program_run
curl_run
cmp -s "$release" "$product/bench.exe" || { echo "the program's download differs:" >&2; cat "$work/program.out" >&2; ls -la "$product" >&2; exit 1; }
cmp -s "$release" "$work/curl.out" || { echo "curl's download differs" >&2; exit 1; }
grep -q "Successfully updated program to latest version!" "$work/program.out" ||
    { echo "the program did not report the update:" >&2; cat "$work/program.out" >&2; exit 1; }

# Alternate the two so that both meet the same machine.
: > "$work/program.times"
: > "$work/curl.times"
for _ in $(seq "$runs"); do
    seconds program_run >> "$work/program.times"
    seconds curl_run >> "$work/curl.times"
done
median() { sort -n "$1" | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }
p=$(median "$work/program.times")
c=$(median "$work/curl.times")
awk -v p="$p" -v c="$c" -v mb="$size_mb" 'BEGIN {
    printf "median of %d MB: program %.3f s (%.0f MB/s), curl %.3f s (%.0f MB/s), ratio %.2f of curl\n",
           mb, p, mb / p, c, mb / c, c / p
}'
