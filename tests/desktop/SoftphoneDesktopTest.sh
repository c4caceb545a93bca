#!/usr/bin/env bash
# The whole system on a desktop: the real server and two real softphone windows on a virtual
# display with a window manager, driven by synthetic keyboard and mouse input as a subscriber
# would drive them.
#   SoftphoneDesktopTest.sh BUILD_DIR SOURCE_DIR
# Exits 0 when every check passed, 77 (skipped) when a desktop tool is missing, 1 otherwise.
# Everything it starts is stopped on every way out.
set -euo pipefail
build=$(cd "${1:?usage: SoftphoneDesktopTest.sh BUILD_DIR SOURCE_DIR}" && pwd)
source_dir=$(cd "${2:?usage: SoftphoneDesktopTest.sh BUILD_DIR SOURCE_DIR}" && pwd)

for tool in Xvfb openbox xdotool xclip xprop python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/parlino-desktop.XXXXXX")
pids=()
stop_all() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ "${failed:-1}" = 0 ]; then rm -rf "$work"; else echo "left for a look: $work"; fi
}
trap stop_all EXIT
failed=1

fail() {
    echo "FAILED: $*" >&2
    for file in "$work"/*.stderr; do
        [ -s "$file" ] && { echo "--- $file" >&2; tail -n 20 "$file" >&2; }
    done
    DISPLAY=${DISPLAY:-} import -window root "$work/screen.png" 2>/dev/null \
        && echo "screen: $work/screen.png" >&2
    exit 1
}

# until_true SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails the
# test with WHAT after SECONDS, or once the whole test has run 100 s, well before the test
# runner's limit would kill it and leave its programs behind.
until_true() {
    local seconds=$1 what=$2 round
    shift 2
    for ((round = 0; round < seconds * 10; round++)); do
        ((SECONDS < 100)) || fail "$what (the test ran out of time)"
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "$what (waited ${seconds} s)"
}

# Programs beside their own settings files, so that the test reaches its own server port.
mkdir -p "$work/bin"
cp "$build/server/ParlinoServer" "$build/client/ParlinoClient" "$work/bin/"
"$source_dir/tools/make_demo_folder.sh" "$build" "$work/demo"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[Server]\r\nTCP port=%s\r\nNet pay per min=1\r\nPay per day=0\r\n' "$port" \
    >"$work/bin/ParlinoServer.ini"
printf '[Server]\r\nIP address=127.0.0.1\r\nHost name=localhost\r\nSelected index=0\r\nTCP port=%s\r\n' \
    "$port" >"$work/bin/ParlinoClient.ini"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# The virtual display and its window manager.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.stderr" &
pids+=($!)
read -r -t 10 -u "$displayfd" number || fail "Xvfb did not start"
exec {displayfd}<&-
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
pids+=($!)
# openbox reads its theme and fonts first: seconds on a busy machine.
until_true 30 "the window manager did not start" \
    sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

(cd "$work/demo/server" && exec "$work/bin/ParlinoServer") 2>"$work/server.stderr" &
server_pid=$!
pids+=("$server_pid")
until_true 20 "the server does not listen on port $port" \
    bash -c "exec 3<>/dev/tcp/127.0.0.1/$port"

declare -A softphone
for id in 101 102; do
    (
        cd "$work/demo/$id"
        export PARLINO_AUDIO="file::$work/demo/$id/played.wav:$work/demo/$id/tones.wav"
        exec "$work/bin/ParlinoClient"
    ) 2>"$work/$id.stderr" &
    softphone[$id]=$!
    pids+=("${softphone[$id]}")
done

# window ID TITLE: the window of softphone ID with exactly that title.
window() {
    xdotool search --all --onlyvisible --pid "${softphone[$1]}" --name "^$2\$" 2>/dev/null | head -n 1 || true
}
wait_window() {  # wait_window ID TITLE: waits for it and prints its window id
    local id=$1 title=$2 round w
    for ((round = 0; round < 200; round++)); do
        w=$(window "$id" "$title")
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    fail "$id: no window \"$title\""
}
# click WINDOW X Y: a left click at a point of the window, after bringing it to the front.
click() {
    xdotool windowactivate --sync "$1" 2>/dev/null || true
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# table_rows FILE: how many rows a table file of the server holds (docs/table-file-format.md).
table_rows() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pos = 16
def skip_layout():
    global pos
    (count,) = struct.unpack_from("<H", data, pos); pos += 2
    for _ in range(count):
        kind, _flags, _size, name_length = struct.unpack_from("<BBHB", data, pos)
        pos += 5 + name_length
        if kind == 7:
            skip_layout()
skip_layout()
print(struct.unpack_from("<I", data, pos)[0])
PY
}

# Points of the controls, in window coordinates of the layout the programs have.
password_field=(363 204)  # "Password:" in the Connection dialog
log_memo=(200 300)        # the log in the main window
balance_button=(57 390)
call_button=(374 390)
drop_button=(460 390)

# log_of ID: the softphone's log, copied from its window as a person would copy it.
log_of() {
    local w
    w=$(main_window "$1")
    click "$w" "${log_memo[@]}"
    xdotool key --clearmodifiers ctrl+a ctrl+c
    timeout 5 xclip -o -selection clipboard
}
# main_window ID: the main window, brought back from wherever sign-in minimised it.
main_window() {
    local w round
    for ((round = 0; round < 200; round++)); do
        w=$(xdotool search --all --pid "${softphone[$1]}" --name '^Parlino Client$' 2>/dev/null \
            | head -n 1 || true)
        [ -n "$w" ] && break
        sleep 0.1
    done
    [ -n "$w" ] || fail "$1: no main window"
    xdotool windowactivate --sync "$w" 2>/dev/null || true
    echo "$w"
}
# open_dialog ID TITLE X Y: clicks the main window's button at X Y until its dialog TITLE is
# up, and prints the dialog's id. A busy machine can lose a click on a window it is still
# raising; a click that did arrive cannot open a second dialog over the modal first one.
open_dialog() {
    local round try w
    for ((try = 0; try < 4; try++)); do
        click "$(main_window "$1")" "$3" "$4"
        for ((round = 0; round < 50; round++)); do
            w=$(window "$1" "$2")
            [ -n "$w" ] && { echo "$w"; return 0; }
            sleep 0.1
        done
    done
    fail "$1: no window \"$2\""
}
log_has() { log_of "$1" | grep -qF -- "$2"; }
expect_log() {  # expect_log ID TEXT: waits for the line in the softphone's log
    until_true 15 "$1: the log never said \"$2\"" log_has "$1" "$2"
}

# Sign in both subscribers with the demo password. The Connection dialogs open over one
# another in the middle of the screen, the main windows go to the left and right edges where
# no dialog covers their logs.
x=0
for id in 101 102; do
    xdotool windowmove "$(main_window "$id")" "$x" 0
    x=640
done

# --- Dialog keys and stacking, part 1: the Connection dialog -------------------------------
# Asked of the window manager, not of the widgets: the active window and whom a window is
# transient for (that keeps it above its dialog).
active_window() { printf '%d\n' "$(xprop -root _NET_ACTIVE_WINDOW | awk '{print $NF}')"; }
transient_for() { printf '%d\n' "$(xprop -id "$1" WM_TRANSIENT_FOR | awk '{print $NF}')"; }
is_active() { [ "$(active_window)" = "$1" ]; }
# is_active_over WINDOW_TITLE ID PARENT: the active window is softphone ID's window of that
# title, standing over PARENT.
is_active_over() {
    local w
    w=$(window "$2" "$1")
    [ -n "$w" ] && is_active "$w" && [ "$(transient_for "$w")" = "$3" ]
}
# Both dialogs up, so that no new window takes the focus in between. 101: the password is
# typed where the focus starts, Tab goes over "Exit" and back, Return signs in (the log says
# so below).
connection_101=$(wait_window 101 Connection)
connection_102=$(wait_window 102 Connection)
xdotool windowactivate --sync "$connection_101"
xdotool type --delay 20 582047
xdotool key --delay 50 Tab Tab Tab shift+Tab shift+Tab shift+Tab Return
until_true 15 "101: Return after Tab over the buttons did not sign in" \
    bash -c "[ -z \"\$(xdotool search --all --onlyvisible --pid ${softphone[101]} --name '^Connection\$')\" ]"
# 102: Return on the focused "More >>" opens the Ports dialog over the Connection dialog.
xdotool windowactivate --sync "$connection_102"
xdotool key --delay 50 shift+Tab shift+Tab Return
until_true 15 "102: the Ports dialog is not the active window over the Connection dialog" \
    is_active_over Ports 102 "$connection_102"
xdotool key Escape
until_true 15 "102: Escape did not close the Ports dialog" is_active "$connection_102"
# --- end of part 1 ---------------------------------------------------------------------------

for id in 102; do
    w=$(wait_window "$id" Connection)
    click "$w" "${password_field[@]}"
    xdotool type --delay 20 582047
    # The other softphone's window may take the focus meanwhile: Return goes to the dialog
    # until it has closed.
    for ((round = 0; round < 5; round++)); do
        xdotool windowactivate --sync "$w" 2>/dev/null || true
        xdotool key Return
        sleep 1
        [ -z "$(window "$id" Connection)" ] && break
    done
done
for id in 101 102; do
    expect_log "$id" " Logged in successfully"
done
log_of 101 | grep -qF " Connected to the server" || fail "101: connection not logged"
grep -q "AddressSanitizer\|runtime error" "$work"/*.stderr && fail "errors on standard error"
for pid in "${pids[@]}"; do
    kill -0 "$pid" 2>/dev/null || fail "process $pid ended early"
done

# 101 calls 102, 102 answers, 101 drops.
open_dialog 101 Dialing "${call_button[@]}" >/dev/null
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 102
xdotool key Return
expect_log 101 " Dialing Client_ID number 102 (Bob)..."
expect_log 102 " Inbound call from 101 (Alice)..."
click "$(main_window 102)" "${call_button[@]}"
expect_log 102 " Talk started"
expect_log 101 " Talk started"
click "$(main_window 101)" "${drop_button[@]}"
expect_log 101 " Call terminated"
expect_log 102 " Call terminated"

# 101 asks the balance (Request is the dialog's default choice), pays with a demo card, and
# asks again: the second figure is the first one plus the card's credit.
balance_lines() { log_of 101 | grep -oE 'Your balance foots up to [0-9.]+' || true; }
balance_count() { [ "$(balance_lines | wc -l)" -ge "$1" ]; }
open_dialog 101 Balance "${balance_button[@]}" >/dev/null
xdotool key Return
until_true 15 "101: no balance reply" balance_count 1
open_dialog 101 Balance "${balance_button[@]}" >/dev/null
xdotool key --clearmodifiers Down Tab
xdotool type --delay 20 10000000000000000080
xdotool key Return
expect_log 101 " PIN code accepted"
open_dialog 101 Balance "${balance_button[@]}" >/dev/null
xdotool key Return
until_true 15 "101: no second balance reply" balance_count 2
# The log's newest line stands first.
mapfile -t figures < <(balance_lines | grep -oE '[0-9.]+$')
python3 -c 'import sys; new, old = map(float, sys.argv[1:]); sys.exit(abs(new - old - 10) > 1e-9)' \
    "${figures[0]}" "${figures[1]}" || fail "101: balance ${figures[1]} then ${figures[0]} after a 10-unit card"

# The server's call logs of the day: one row for each party, none for anybody else, and
# no talk left open.
for table in 101cursd 102cursd; do
    [ "$(table_rows "$work/demo/server/USERLOGS/$table.cds")" = 1 ] || fail "$table: not one call"
done
for table in 103cursd 000__tlk; do
    [ "$(table_rows "$work/demo/server/USERLOGS/$table.cds")" = 0 ] || fail "$table: not empty"
done
# --- Dialog keys and stacking, part 2: an error box over the Dialing dialog ----------------
# An empty number: the conversion error's box is the active window, over the dialog, and
# Return closes it; then Escape puts the number back and a second Escape cancels the dialog.
dialing=$(open_dialog 101 Dialing "${call_button[@]}")
xdotool windowactivate --sync "$dialing"
xdotool key --clearmodifiers ctrl+a BackSpace Return
until_true 15 "101: the error box is not the active window over the Dialing dialog" \
    is_active_over ParlinoClient 101 "$dialing"
xdotool key Return
until_true 15 "101: Return did not close the error box" is_active "$dialing"
xdotool key --delay 50 Escape Escape
until_true 15 "101: Escape did not cancel the Dialing dialog" \
    bash -c "[ -z \"\$(xdotool search --all --onlyvisible --pid ${softphone[101]} --name '^Dialing\$')\" ]"
# --- end of part 2 ---------------------------------------------------------------------------

failed=0
echo "PASSED"
