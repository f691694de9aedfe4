#!/usr/bin/env bash
# Registrations per second that vendor-server stores, on SQLite and on
# PostgreSQL (a server of Debian's started in a temporary folder), from 20
# concurrent clients that send each registration on a connection of its
# own, as the program does; beside the rate at which the same server answers
# a static file (versions.txt) to the same clients. The last line reads
#     sqlite N postgresql N static N
# (per second; "-" where PostgreSQL could not be started).
#
#   bench/registrations.sh [BUILD_DIR] [REGISTRATIONS]   (defaults: build/native, 2000)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/native}" && pwd)
count=${2:-2000}
[ -x "$build/vendor-server" ] || { echo "missing $build/vendor-server: build the native preset first" >&2; exit 2; }
exec python3 "$source_dir/bench/registrations.py" "$build/vendor-server" "$count"
