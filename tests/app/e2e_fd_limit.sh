#!/usr/bin/env bash
# The built program in a real X server (Xvfb) at the lowest descriptor limit at
# which its window starts and is drawn: a run there cannot open its files, and
# its message box must be drawn, close with Enter, and leave the dialog usable
# (Escape then ends the process successfully). The X11 backend needs a free
# descriptor for each shared-memory segment it paints with, which is what the
# dialog keeps in reserve. Fails, never skips, when a tool is missing.
#
#   e2e_fd_limit.sh path/to/ZazivadeZaz32
set -euo pipefail
export LC_ALL=C

exe=$(readlink -f "${1:?usage: e2e_fd_limit.sh path/to/ZazivadeZaz32}")
fail() { echo "e2e_fd_limit: FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool prlimit import; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done
[ -x "$exe" ] || fail "no executable at $exe"

work=$(mktemp -d /tmp/tavro-e2e-XXXXXX)
xvfb_pid=
app_pid=
stop_app() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    app_pid=
}
cleanup() {
    stop_app || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# True when window $1 shows more than black: it has been painted.
drawn() {
    local mean
    mean=$(import -window "$1" -colorspace gray -format '%[fx:mean]' info: 2>/dev/null) || return 1
    awk -v m="$mean" 'BEGIN { exit !(m > 0.5) }'
}

# 1. An X server, and a stand-in viewer that records any request.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
mkdir "$work/bin" "$work/cwd"
printf '#!/bin/sh\necho "$*" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# 2. The lowest limit at which the window starts and is drawn. Below it Qt
#    either exits or maps a window it can never paint.
wid=
for ((limit = 6; limit <= 40; limit++)); do
    (cd "$work/cwd" && exec env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u WAYLAND_DISPLAY \
        PATH="$work/bin:$PATH" prlimit --nofile="$limit:$limit" "$exe" >"$work/app.log" 2>&1) &
    app_pid=$!
    wait_for 100 eval '! kill -0 "$app_pid" 2>/dev/null ||
        xdotool search --onlyvisible --name "^Tavro\+ for Win32$" >"$work/wid" 2>/dev/null' || true
    wid=$(head -n1 "$work/wid" 2>/dev/null) || wid=
    rm -f "$work/wid"
    if [ -n "$wid" ] && wait_for 50 drawn "$wid"; then
        break
    fi
    stop_app || true
    wid=
done
[ -n "$wid" ] || fail "the window did not start at any limit up to 40: $(cat "$work/app.log")"
echo "e2e_fd_limit: the window starts at a limit of $limit descriptors"

# 3. A run at that limit: its message box is drawn and closes with Enter.
xdotool windowfocus --sync "$wid"
eval "$(xdotool getwindowgeometry --shell "$wid")"  # WIDTH, HEIGHT
xdotool mousemove --window "$wid" $((WIDTH * 96 / 126)) $((HEIGHT * 66 / 95)) click 1
xdotool type --delay 50 100
xdotool mousemove --window "$wid" $((WIDTH * 63 / 126)) $((HEIGHT * 85 / 95)) click 1
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^ZazivadeZaz32$' 2>/dev/null |
    head -n1) || box=
if [ -z "$box" ]; then
    [ -s "$work/opened" ] && fail "the run wrote its list: the limit left room for both files"
    fail "no message box appeared: $(cat "$work/app.log")"
fi
wait_for 30 drawn "$box" || fail "the message box was never drawn"
[ ! -e "$work/cwd/2-100.txt" ] || fail "a list file was left behind"
xdotool windowfocus --sync "$box" key Return
wait_for 50 eval '! xdotool search --onlyvisible --name "^ZazivadeZaz32$" >/dev/null 2>&1' ||
    fail "the message box did not close"

# 4. The dialog still answers: Escape ends it, and the process, successfully.
xdotool windowfocus --sync "$wid" key Escape
wait_for 100 eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the dialog no longer answers"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the process exited with $status: $(cat "$work/app.log")"
echo "e2e_fd_limit: ok"
