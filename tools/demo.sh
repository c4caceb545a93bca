#!/usr/bin/env bash
# Makes fresh demo data beside a build and starts the server on it.
#   tools/demo.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: demo.sh BUILD_DIR}" && pwd)
data="$build/demo-data"

rm -rf "$data"
"$build/tools/parlino-tables" demo "$data"

server="$build/server/ParlinoServer"
if [ ! -x "$server" ]; then
    echo "Demo data is in $data; ParlinoServer is not built yet." >&2
    exit 1
fi
# The server reads its tables from the current directory and its settings from the ini
# file beside the program; without one it listens on TCP port 1101 and charges nothing.
settings="$server.ini"
[ -f "$settings" ] || settings="none ($settings absent: TCP port 1101, no charges)"
echo "Demo data: $data" >&2
echo "Settings: $settings" >&2
cd "$data"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a "$server"
fi
exec "$server"
