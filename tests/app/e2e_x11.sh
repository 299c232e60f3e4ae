#!/usr/bin/env bash
# The built program in a real X server: Xvfb without a window manager, keys
# through XTEST (xdotool), screenshots with ImageMagick's import; the scenario
# is e2e_lib.sh's. Runs as the user running it. Fails, never skips, when a
# tool is missing.
#
#   e2e_x11.sh path/to/ZazivadeZaz32
#   TAVRO_E2E_SCREENSHOT=out.png   also saves the window after the run
#   TAVRO_E2E_KEEP=1               keeps the work directory (frames, logs)
test_name=e2e_x11
. "$(dirname "$0")/e2e_lib.sh"

require_tools Xvfb xdotool import convert identify tesseract python3
tesseract --list-langs 2>/dev/null | grep -qx jpn || fail "tesseract-ocr-jpn is not installed"
exe=$(readlink -f "${1:?usage: e2e_x11.sh path/to/ZazivadeZaz32}")
app_user=

backend_start_display() {
    user_dir "$work/run-app"
    start_xvfb
}

backend_stop_display() { stop_xvfb "$@"; }

backend_log() {
    kill -0 "$xvfb_pid" 2>/dev/null || printf '\nXvfb has ended: %s' "$(cat "$work/xvfb.log")"
}

backend_app_env() {
    printf '%s\n' "XDG_RUNTIME_DIR=$work/run-app" "DISPLAY=$display" XDG_SESSION_TYPE=x11
}

# The program's visible window titled exactly NAME.
window_id() {
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')
    xdo search --all --onlyvisible --pid "$app_pid" --name "^$pattern\$" 2>/dev/null | head -n1
}

backend_window() {
    local id X Y WIDTH HEIGHT
    id=$(window_id "$1")
    [ -n "$id" ] || return 1
    eval "$(xdo getwindowgeometry --shell "$id")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# No window manager runs: the test gives the focus the way one would.
backend_focus() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || fail "no window '$1' to focus"
    xdo windowfocus --sync "$id"
}

# xdotool's type takes every word after it as text: one call a token.
backend_keys() {
    local key
    for key; do
        case $key in
            text:*) xdo type --delay 40 "${key#text:}" ;;
            *) xdo key --delay 40 "$key" ;;
        esac
    done
}

backend_capture() {
    local x y w h
    read -r x y w h <<<"$1"
    import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage \
        -define png:exclude-chunks=date,time "$2"
}

# The close box: what a window manager sends, WM_DELETE_WINDOW.
backend_close() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || fail "no window '$1' to close"
    DISPLAY=$display python3 - "$id" <<'PY'
import ctypes
import sys

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                           ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = int(sys.argv[1])
event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSendEvent(display, event.xclient.window, 0, 0, ctypes.byref(event))
x11.XFlush(display)
x11.XCloseDisplay(display)
PY
}

trap cleanup EXIT
prepare_work "$exe"
run_scenario
