#!/usr/bin/env bash
# The built program under a real Wayland compositor: headless sway (pixman
# renderer, no input devices), keys from wtype, screenshots from grim; the
# scenario is e2e_lib.sh's. sway refuses to run as root, so as root the test
# runs sway and the program as a system user of its own (made on first use),
# otherwise as the user running it; each has a runtime directory of its own.
# Fails, never skips, when a tool is missing.
#
#   e2e_wayland.sh path/to/ZazivadeZaz32
#   TAVRO_E2E_SCALE=2 ...          the output's scale (default 1)
#   TAVRO_E2E_SCREENSHOT=out.png   also saves the window after the run
#   TAVRO_E2E_KEEP=1               keeps the work directory (frames, logs)
test_name=e2e_wayland
. "$(dirname "$0")/e2e_lib.sh"

require_tools sway swaymsg wtype grim jq convert identify tesseract setpriv
tesseract --list-langs 2>/dev/null | grep -qx jpn || fail "tesseract-ocr-jpn is not installed"
exe=$(readlink -f "${1:?usage: e2e_wayland.sh path/to/ZazivadeZaz32}")

kUser=tavro-e2e
have_user() {
    id -u "$kUser" >/dev/null 2>&1 && return 0
    # Another test may be adding it at the same moment; then try again.
    useradd --system --user-group --no-create-home --home-dir /nonexistent \
        --shell /usr/sbin/nologin "$kUser" >/dev/null 2>&1 || true
    id -u "$kUser" >/dev/null 2>&1
}
app_user=
if [ "$(id -u)" -eq 0 ]; then
    require_tools useradd
    wait_for 30 have_user || fail "could not add the user $kUser"
    app_user=$kUser
fi

sway_pid=
backend_start_display() {
    user_dir "$work/run-sway"
    user_dir "$work/run-app"
    cat >"$work/sway.conf" <<CONF
xwayland disable
output HEADLESS-1 mode 800x600 scale ${TAVRO_E2E_SCALE:-1}
default_border none
default_floating_border none
CONF
    chmod 644 "$work/sway.conf"
    "${as_user[@]}" XDG_RUNTIME_DIR="$work/run-sway" WLR_BACKENDS=headless WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    wait_for 60 sway_ready || fail "sway did not start: $(tail -n 20 "$work/sway.log")"
    # A virtual keyboard that stays for the whole test. Without a keyboard the
    # seat has none to offer, and every wtype that adds the first one makes
    # each client bind a new wl_keyboard, which misses the keys typed before
    # it is bound.
    (exec "${as_user[@]}" XDG_RUNTIME_DIR="$work/run-app" WAYLAND_DISPLAY="$wayland_socket" \
        wtype -s 3600000) >"$work/keyboard.log" 2>&1 &
    keyboard_pid=$!
    wait_for 30 seat_has_keyboard || fail "no keyboard: $(cat "$work/keyboard.log")"
}

seat_has_keyboard() {
    swaymsg -t get_seats -r | jq -e '[.[].devices[] | select(.type == "keyboard")] | length > 0' \
        >/dev/null
}

sway_ready() {
    kill -0 "$sway_pid" 2>/dev/null || fail "sway ended: $(tail -n 20 "$work/sway.log")"
    local file
    wayland_socket=
    swaysock=
    for file in "$work"/run-sway/*; do
        case $file in
            */wayland-[0-9]*.lock) ;;
            */wayland-[0-9]*) [ -S "$file" ] && wayland_socket=$file ;;
            */sway-ipc.*.sock) [ -S "$file" ] && swaysock=$file ;;
        esac
    done
    [ -n "$wayland_socket" ] && [ -n "$swaysock" ] && swaymsg -t get_outputs >/dev/null 2>&1
}

keyboard_pid=
backend_stop_display() {
    if [ -n "$sway_pid" ]; then
        kill "-${1:-TERM}" "$sway_pid" 2>/dev/null || true
        wait "$sway_pid" 2>/dev/null || true
        sway_pid=
    fi
    if [ -n "$keyboard_pid" ]; then
        kill "$keyboard_pid" 2>/dev/null || true
        wait "$keyboard_pid" 2>/dev/null || true
        keyboard_pid=
    fi
}

backend_log() {
    kill -0 "$sway_pid" 2>/dev/null || printf '\nsway has ended: %s' "$(tail -n 20 "$work/sway.log")"
}

swaymsg() { "${as_user[@]}" SWAYSOCK="$swaysock" swaymsg "$@"; }

# The client's own runtime directory; the compositor's socket by its path.
# No DISPLAY: Qt picks its Wayland platform as in a Wayland session.
backend_app_env() {
    printf '%s\n' "XDG_RUNTIME_DIR=$work/run-app" "WAYLAND_DISPLAY=$wayland_socket" \
        XDG_SESSION_TYPE=wayland
}

wayland_client() {
    "${as_user[@]}" XDG_RUNTIME_DIR="$work/run-app" WAYLAND_DISPLAY="$wayland_socket" "$@"
}

# The window NAME of the program, as JSON, on standard output.
sway_window() {
    swaymsg -t get_tree -r | jq -c --arg name "$1" --argjson pid "$app_pid" \
        'first(.. | objects | select(.pid? == $pid and .name? == $name and .visible? == true))'
}

backend_window() {
    local window
    window=$(sway_window "$1")
    [ -n "$window" ] || return 1
    jq -r '.rect | "\(.x) \(.y) \(.width) \(.height)"' <<<"$window"
}

# sway focuses a new window itself; this waits until it has.
window_focused() { [ "$(sway_window "$1" | jq -r .focused)" = true ]; }
backend_focus() { wait_for 30 window_focused "$1" || fail "sway did not focus '$1'"; }

# One wtype for the whole sequence: a virtual keyboard that comes and goes
# between keys loses keys. It waits a moment before its first key, so the
# keymap of the new keyboard has arrived.
backend_keys() {
    local args=(-s 150) key
    for key; do
        case $key in
            text:*) args+=(-d 40 "${key#text:}") ;;
            *) args+=(-k "$key") ;;
        esac
        args+=(-s 80)
    done
    wayland_client wtype "${args[@]}"
}

backend_capture() {
    local x y w h
    read -r x y w h <<<"$1"
    wayland_client grim -g "$x,$y ${w}x$h" - >"$2"
}

backend_close() { swaymsg "[pid=$app_pid] kill" >/dev/null; }

trap cleanup EXIT
prepare_work "$exe"
run_scenario
