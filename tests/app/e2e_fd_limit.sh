#!/usr/bin/env bash
# The built program in a real X server (Xvfb) at the lowest descriptor limit at
# which its window starts and is drawn: a run there cannot open its files, and
# its message box must be drawn, close with Enter, and leave the dialog usable
# (Escape then ends the process successfully). The X11 backend needs a free
# descriptor for each shared-memory segment it paints with, which is what the
# dialog keeps in reserve. The X server, the work directory and the stand-in
# viewer are e2e_lib.sh's. Fails, never skips, when a tool is missing.
#
#   e2e_fd_limit.sh path/to/ZazivadeZaz32
#   TAVRO_E2E_KEEP=1               keeps the work directory (logs)
test_name=e2e_fd_limit
. "$(dirname "$0")/e2e_lib.sh"

require_tools Xvfb xdotool prlimit import
exe=$(readlink -f "${1:?usage: e2e_fd_limit.sh path/to/ZazivadeZaz32}")
app_user=

backend_stop_display() { stop_xvfb "$@"; }

stop_app() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    app_pid=
}

# True when window $1 shows more than black: it has been painted.
drawn() {
    local mean
    mean=$(import -display "$display" -window "$1" -colorspace gray -format '%[fx:mean]' info: \
        2>/dev/null) || return 1
    awk -v m="$mean" 'BEGIN { exit !(m > 0.5) }'
}

visible_window() { { xdo search --onlyvisible --name "$1" 2>/dev/null || true; } | head -n1; }

trap cleanup EXIT
prepare_work "$exe"
start_xvfb
user_dir "$work/run-app"
app_cwd=$work/cwd
mkdir "$app_cwd"

# 1. The lowest limit at which the window starts and is drawn. Below it Qt
#    either exits or maps a window it can never paint.
wid=
for ((limit = 6; limit <= 40; limit++)); do
    (cd "$app_cwd" && exec "${as_user[@]}" XDG_RUNTIME_DIR="$work/run-app" DISPLAY="$display" \
        prlimit --nofile="$limit:$limit" "$work/$kCaption") >"$app_cwd.log" 2>&1 &
    app_pid=$!
    wait_for 10 eval '! app_running || [ -n "$(visible_window "^Tavro\+ for Win32$")" ]' || true
    wid=$(visible_window '^Tavro\+ for Win32$')
    if [ -n "$wid" ] && wait_for 5 drawn "$wid"; then
        break
    fi
    stop_app || true
    wid=
done
[ -n "$wid" ] || fail "the window did not start at any limit up to 40: $(cat "$app_cwd.log")"
note "the window starts at a limit of $limit descriptors"

# 2. A run at that limit: its message box is drawn and closes with Enter.
xdo windowfocus --sync "$wid"
eval "$(xdo getwindowgeometry --shell "$wid")" # WIDTH, HEIGHT
xdo mousemove --window "$wid" $((WIDTH * 96 / kUnitsX)) $((HEIGHT * 66 / kUnitsY)) click 1
xdo type --delay 50 100
xdo mousemove --window "$wid" $((WIDTH * 63 / kUnitsX)) $((HEIGHT * 85 / kUnitsY)) click 1
box=
wait_for 10 eval 'box=$(visible_window "^$kCaption\$"); [ -n "$box" ]' || true
if [ -z "$box" ]; then
    [ -s "$viewer_log" ] && fail "the run wrote its list: the limit left room for both files"
    fail "no message box appeared: $(cat "$app_cwd.log")"
fi
wait_for 3 drawn "$box" || fail "the message box was never drawn"
[ ! -e "$app_cwd/2-100.txt" ] || fail "a list file was left behind"
xdo windowfocus --sync "$box" key Return
wait_for 5 eval '[ -z "$(visible_window "^$kCaption\$")" ]' || fail "the message box did not close"

# 3. The dialog still answers: Escape ends it, and the process, successfully.
xdo windowfocus --sync "$wid" key Escape
expect_exit Escape
note ok
