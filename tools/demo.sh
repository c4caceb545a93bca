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
cd "$data"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a "$server"
fi
exec "$server"
