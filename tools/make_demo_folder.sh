#!/usr/bin/env bash
# Makes a fresh demo folder from a build: the server's tables with the demo accounts and
# cards, a working folder per softphone and the help page where they look for it.
#   tools/make_demo_folder.sh BUILD_DIR DEST
#
#   DEST/server/          the server's tables (its current directory)
#   DEST/101/, DEST/102/  each softphone's working folder: ClientID.txt, contacts.txt, silence.wav
#   DEST/Help/help.html   the help page, which each softphone finds as ../Help/help.html
set -euo pipefail
build=$(cd "${1:?usage: make_demo_folder.sh BUILD_DIR DEST}" && pwd)
dest=${2:?usage: make_demo_folder.sh BUILD_DIR DEST}

# The demo subscribers the other softphone can call; the accounts are those that
# `parlino-tables demo` installs (tools/DemoData.h).
contacts_for() {
    local own=$1 entry
    for entry in "Alice=101" "Bob=102" "Carol=103" "Dave=104" "Erin=105"; do
        [ "${entry#*=}" = "$own" ] || printf '%s\r\n' "$entry"
    done
}

rm -rf "$dest"
mkdir -p "$dest/server" "$dest/Help"
"$build/tools/parlino-tables" demo "$dest/server" >/dev/null
cp "$build/Help/help.html" "$dest/Help/help.html"
for id in 101 102; do
    mkdir -p "$dest/$id"
    printf '%s\r\n' "$id" >"$dest/$id/ClientID.txt"
    contacts_for "$id" >"$dest/$id/contacts.txt"
    cp "$build/client/silence.wav" "$dest/$id/silence.wav"
done
