#!/usr/bin/env bash
# Registrations per second that vendor-server stores, measured with the
# build's own load generator (registration-load: 50 connections at a time,
# distinct registrations, one connection each as the program sends them,
# each sent again until acknowledged):
#
#     SQLite: N registrations/s
#     PostgreSQL: N registrations/s         (a server of Debian's, started
#                                            in a temporary folder, durable)
#     PostgreSQL, 2 instances: N registrations/s, lost L, duplicated D
#                                           (two servers behind nginx on one
#                                            database; the first is killed
#                                            halfway through the run)
#     nginx, static file: N requests/s      (the same generator's ceiling)
#
# Every acknowledged registration is looked up in the database: "lost"
# counts those missing, "duplicated" the extra rows of any stored twice. The
# last line repeats the figures for bench/run:
#     sqlite N postgresql N two N lost L duplicated D static N
#
#   bench/registrations.sh [BUILD_DIR] [SECONDS]   (defaults: build/native, 10)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/native}" && pwd)
seconds=${2:-10}
for tool in "$build/vendor-server" "$build/registration-load"; do
    [ -x "$tool" ] || { echo "missing $tool: build the native preset first" >&2; exit 2; }
done
exec python3 "$source_dir/bench/registrations.py" "$build/vendor-server" \
    "$build/registration-load" "$seconds"
