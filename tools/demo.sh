#!/usr/bin/env bash
# Makes fresh demo data beside a build and runs the server and two softphones on it.
#   tools/demo.sh BUILD_DIR
#
# BUILD_DIR/demo/ is made anew at every start (see make_demo_folder.sh).
# The settings files sit beside the programs; an existing one is kept.
# Everything started here is stopped when the server ends or the script is interrupted.
set -euo pipefail
build=$(cd "${1:?usage: demo.sh BUILD_DIR}" && pwd)
demo="$build/demo"
server="$build/server/ParlinoServer"
client="$build/client/ParlinoClient"
for program in "$server" "$client" "$build/tools/parlino-tables"; do
    [ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }
done

say() { echo "demo: $*" >&2; }

"$(dirname "$0")/make_demo_folder.sh" "$build" "$demo"

port=1101
if [ ! -f "$server.ini" ]; then
    printf '[Server]\r\nTCP port=%s\r\nNet pay per min=1\r\nPay per day=0\r\n' "$port" >"$server.ini"
fi
port=$(sed -n 's/^TCP port=\([0-9]*\).*/\1/p' "$server.ini" | head -n 1)
port=${port:-1101}
# Both softphones run the same program, so one settings file serves both: they reach the
# same server.
if [ ! -f "$client.ini" ]; then
    printf '[Server]\r\nIP address=127.0.0.1\r\nHost name=localhost\r\nSelected index=0\r\nTCP port=%s\r\n' \
        "$port" >"$client.ini"
fi

# Qt wants a private runtime folder; a session without one gets the demo's own.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$demo/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

pids=()
stop_all() {
    trap - EXIT INT TERM
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_all EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { echo "No display and no Xvfb to make one." >&2; exit 1; }
    exec {displayfd}<> <(:)
    Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp 2>/dev/null &
    pids+=($!)
    read -r -t 10 -u "$displayfd" number || { echo "Xvfb did not start." >&2; exit 1; }
    exec {displayfd}<&-
    export DISPLAY=":$number"
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        pids+=($!)
    fi
    say "no display: running on the virtual display $DISPLAY (Xvfb)."
    say "look at it with: DISPLAY=$DISPLAY import -window root screen.png"
fi

# Without a sound card each softphone uses the emulated audio device: it captures silence and
# records what it plays into files of its own working folder.
sound_card=yes
if [ -z "${PARLINO_AUDIO:-}" ] && [ ! -e /dev/snd/controlC0 ]; then
    sound_card=no
    say "no sound card: the softphones use the emulated audio device; what they play is"
    say "recorded in $demo/<number>/played.wav, call-progress tones in .../tones.wav."
fi

say "server tables: $demo/server; settings: $server.ini (TCP port $port)"
say "softphones: $demo/101 and $demo/102; settings: $client.ini"
say "sign in with the password 582047; PINs to top up: 10000000000000000080 (10),"
say "20000000000000000250 (20), 50000000000000000500 (50)."

# prefixed: each program's standard error, each line marked with its name.
(cd "$demo/server" && exec "$server" 2> >(sed -u 's/^/[server] /' >&2)) &
server_pid=$!
pids+=("$server_pid")

# The server listens one second after start; the softphones are started once it does.
for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
    kill -0 "$server_pid" 2>/dev/null || { echo "The server stopped." >&2; exit 1; }
    sleep 0.1
done

for id in 101 102; do
    (
        cd "$demo/$id"
        [ "$sound_card" = yes ] || export PARLINO_AUDIO="file::$demo/$id/played.wav:$demo/$id/tones.wav"
        exec "$client" 2> >(sed -u "s/^/[$id] /" >&2)
    ) &
    pids+=($!)
done
say "running; end the server (tray menu \"Stop & Exit\") or press Ctrl-C to stop everything."
wait "$server_pid" || true
