#!/usr/bin/env bash
# The built program in a real X server (Xvfb), driven through XTEST like a user:
# type 100 into the upper-bound field, click the start button, check the list
# file, the empty debug.txt and the viewer request, then press Escape and check
# that the process ends. Fails, never skips, when a tool is missing.
#
#   e2e_window.sh path/to/ZazivadeZaz32
#   TAVRO_E2E_SCREENSHOT=out.png e2e_window.sh ...   also saves the window
set -euo pipefail
export LC_ALL=C

exe=$(readlink -f "${1:?usage: e2e_window.sh path/to/ZazivadeZaz32}")
fail() { echo "e2e_window: FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done
[ -x "$exe" ] || fail "no executable at $exe"

work=$(mktemp -d /tmp/tavro-e2e-XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
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

# 1. An X server on a free display; it writes the display number it took.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# 2. A stand-in viewer first on PATH that records what it is asked to open,
#    resolved against the working directory it was started in.
mkdir "$work/bin" "$work/cwd"
cat >"$work/bin/xdg-open" <<STUB
#!/bin/sh
printf '%s/%s\n' "\$(pwd -P)" "\$*" >>"$work/opened"
STUB
chmod +x "$work/bin/xdg-open"

# 3. The program, in an empty working directory, outside any desktop session.
(cd "$work/cwd" && exec env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u WAYLAND_DISPLAY \
    PATH="$work/bin:$PATH" "$exe" >"$work/app.log" 2>&1) &
app_pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tavro\+ for Win32$' | head -n1) ||
    fail "no window appeared: $(cat "$work/app.log")"
title=$(xdotool getwindowname "$wid")
[ "$title" = "Tavro+ for Win32" ] || fail "window title is '$title'"

# 4. No window manager runs, so windowactivate would fail: give the window the
#    focus, then send real key and button events (not to a window).
xdotool windowfocus --sync "$wid"
eval "$(xdotool getwindowgeometry --shell "$wid")"  # WIDTH, HEIGHT
# The template is 126 x 95 units, scaled alike on both axes: the upper-bound
# edit is at (68, 60, 56, 12), the start button at (1, 76, 124, 18).
xdotool mousemove --window "$wid" $((WIDTH * 96 / 126)) $((HEIGHT * 66 / 95)) click 1
xdotool type --delay 50 100
xdotool mousemove --window "$wid" $((WIDTH * 63 / 126)) $((HEIGHT * 85 / 95)) click 1
wait_for 200 test -s "$work/opened" || fail "the viewer was never asked to open the list"

# 5. The viewer request and the files.
cwd=$(cd "$work/cwd" && pwd -P)
opened=$(cat "$work/opened")
[ "$opened" = "$cwd/2-100.txt" ] || fail "viewer asked to open '$opened'"
[ -f "$work/cwd/debug.txt" ] && [ ! -s "$work/cwd/debug.txt" ] || fail "debug.txt is not empty"
content=$(cat "$work/cwd/2-100.txt" && printf x)
content=${content%x}
body=$'2\t3\t5\t7\t11\r\n13\t17\t19\t23\t29\r\n31\t37\t41\t43\t47\r\n53\t59\t61\t67\t71\r\n73\t79\t83\t89\t97\r\n\r\n'
count=$'\x91\x66\x90\x94\x82\xCD25\x8C\xC2\x82\xC5\x82\xB7\r\n'
elapsed=$'\x8F\x88\x97\x9D\x8E\x9E\x8A\xD4\\(\xD0\xD8\x95\x62\\)[0-9]+\r\n'
filetime=$'\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x8E\x9E\x8A\xD4\\(\xD0\xD8\x95\x62\\)[0-9]+\r\n'
[ "${content:0:${#body}}${content:${#body}:${#count}}" = "$body$count" ] ||
    fail "2-100.txt body differs: $(od -c "$work/cwd/2-100.txt" | head -n 12)"
[[ "${content:$((${#body} + ${#count}))}" =~ ^$elapsed$filetime$ ]] ||
    fail "2-100.txt summary differs: $(od -c "$work/cwd/2-100.txt" | tail -n 8)"

if [ -n "${TAVRO_E2E_SCREENSHOT:-}" ]; then
    command -v import >/dev/null || fail "taking a screenshot needs imagemagick"
    eval "$(xdotool getwindowgeometry --shell "$wid")"  # X, Y, WIDTH, HEIGHT
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$TAVRO_E2E_SCREENSHOT"
fi

# 6. Escape ends the dialog, and with it the process, successfully.
xdotool key Escape
wait_for 100 eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the process did not end"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the process exited with $status: $(cat "$work/app.log")"
echo "e2e_window: ok"
