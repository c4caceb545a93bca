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

# One demo per build: the lock is held by this script and inherited by everything it starts,
# so it stays taken while any of them runs. It sits beside the folder that is made anew.
exec {lockfd}>"$build/demo.lock"
flock -n "$lockfd" || {
    say "a demo of $build is already running; stop it first (\"Stop & Exit\" in the server's tray menu, or Ctrl-C where it runs)."
    exit 1
}
# A server or softphone still working in the demo folder (started by hand, or left by a demo
# that was killed) keeps its files: the folder is not made anew under it.
for proc in /proc/[0-9]*; do
    read -r name 2>/dev/null <"$proc/comm" || continue
    case "$name" in ParlinoServer | ParlinoClient) ;; *) continue ;; esac
    case "$(readlink "$proc/cwd" 2>/dev/null)/" in
    "$demo"/*)
        say "$name (pid ${proc#/proc/}) runs in $demo; end it first."
        exit 1
        ;;
    esac
done

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

# until_true SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most SECONDS.
until_true() {
    local seconds=$1 round
    shift
    for ((round = 0; round < seconds * 10; round++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Where each program's first window goes: on a desktop of our own, side by side so that all
# three can be seen and the softphones told apart (101 above, 102 below); on the user's
# desktop, wherever its window manager puts them.
declare -A placement=([server]="" [101]="" [102]="")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    for tool in Xvfb openbox tint2 xprop xdotool; do
        command -v "$tool" >/dev/null || { say "no display, and no $tool to make one."; exit 1; }
    done
    exec {displayfd}<> <(:)
    # Wide enough for the operator window (1260 x 950) beside the two softphones (520 x 420).
    Xvfb -displayfd "$displayfd" -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null &
    pids+=($!)
    read -r -t 10 -u "$displayfd" number || { say "Xvfb did not start."; exit 1; }
    exec {displayfd}<&-
    export DISPLAY=":$number"
    openbox >/dev/null 2>&1 &
    pids+=($!)
    until_true 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' \
        || { say "the window manager did not start."; exit 1; }
    # The taskbar and the notification area, where the programs go when minimised.
    tint2 -c "$(dirname "$0")/demo-panel.tint2rc" >/dev/null 2>&1 &
    pids+=($!)
    until_true 10 xdotool search --classname tint2 || { say "the panel did not start."; exit 1; }
    placement=([server]="-qwindowgeometry +0+0" [101]="-qwindowgeometry +1280+0"
               [102]="-qwindowgeometry +1280+500")
    say "no display: running on the virtual display $DISPLAY (Xvfb, 1920x1080)."
    say "reach it with a VNC viewer on localhost:5900 after: x11vnc -display $DISPLAY -localhost -forever -nopw"
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

# listens PID: whether process PID holds the socket listening on the TCP port.
listens() {
    local inode link
    for inode in $(awk -v port=":$(printf '%04X' "$port")" \
                       '$2 ~ port"$" && $4 == "0A" { print $10 }' /proc/net/tcp /proc/net/tcp6); do
        for link in /proc/"$1"/fd/*; do
            [ "$(readlink "$link")" = "socket:[$inode]" ] && return 0
        done
    done
    return 1
}
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    say "TCP port $port is taken by another program, where the server would listen (\"TCP port\" in $server.ini and $client.ini); stopping."
    exit 1
fi

# prefixed: each program's standard error, each line marked with its name; the server's is
# kept in server.log too, where its start-up error is looked for.
# shellcheck disable=SC2086  # the placement is one option and its value, or nothing
(cd "$demo/server" && exec "$server" ${placement[server]} \
    2> >(tee "$demo/server.log" | sed -u 's/^/[server] /' >&2)) &
server_pid=$!
pids+=("$server_pid")

# The server listens one second after start (longer on a busy machine); the softphones are
# started once it does. An error box of its start-up is hidden with its window: its standard
# error tells.
for ((round = 0; ; round++)); do
    listens "$server_pid" && break
    kill -0 "$server_pid" 2>/dev/null || { say "the server stopped."; exit 1; }
    if grep -q "Cannot listen" "$demo/server.log" 2>/dev/null || ((round == 300)); then
        say "the server does not listen on TCP port $port (its error is above); stopping."
        exit 1
    fi
    sleep 0.1
done

for id in 101 102; do
    (
        cd "$demo/$id"
        [ "$sound_card" = yes ] || export PARLINO_AUDIO="file::$demo/$id/played.wav:$demo/$id/tones.wav"
        # shellcheck disable=SC2086
        exec "$client" ${placement[$id]} 2> >(sed -u "s/^/[$id] /" >&2)
    ) &
    pids+=($!)
done
restart="cd $demo/102 &&${DISPLAY:+ DISPLAY=$DISPLAY}"
[ "$sound_card" = yes ] || restart+=" PARLINO_AUDIO=file::played.wav:tones.wav"
say "to start a softphone again after it ended (here 102): $restart $client ${placement[102]} &"
say "running; end the server (tray menu \"Stop & Exit\") or press Ctrl-C to stop everything."
wait "$server_pid" || true
