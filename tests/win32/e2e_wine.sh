#!/usr/bin/env bash
# The Windows program in a real window under Wine, on the X server and with the
# Wine prefix that scripts/windows-test prepares (DISPLAY, WINEPREFIX; a window
# manager runs there). Keys through XTEST (xdotool), screenshots with
# ImageMagick's import, the texts read back by OCR with e2e_lib.sh's helpers:
#
# 1. Space on スタート with the bound empty: one message box captioned
#    ZazivadeZaz32 that reads 範囲が不当です (its text as another program reads
#    it, and on screen by OCR, which reads its small type from 囲 on); Enter
#    closes it.
# 2. A run at 100, then one at 110000000 watched frame by frame (入力待ち →
#    処理中 → ファイル出力中 → results, ファイル出力中 seen before the viewer
#    request). Each list is byte for byte the one the Linux build writes with
#    the same two times ($TAVRO_LIST_WRITER), debug.txt is empty, and the
#    viewer the prefix associates with text files was asked for the list.
# 3. Escape ends the program with status 0; so does Enter in the upper-bound
#    field, which leaves no file.
#
#   e2e_wine.sh path/to/ZazivadeZaz32.exe path/to/tavro_window_text.exe
#   TAVRO_E2E_KEEP=1               keeps the work directory (frames, logs)
#   TAVRO_E2E_SCREENSHOT=out.png   also saves the window after the run
test_name=e2e_wine
. "$(dirname "$0")/../app/e2e_lib.sh"

require_tools xdotool xwininfo import convert identify tesseract cmp
tesseract --list-langs 2>/dev/null | grep -qx jpn || fail "tesseract-ocr-jpn is not installed"
exe=$(readlink -f "${1:?usage: e2e_wine.sh ZazivadeZaz32.exe tavro_window_text.exe}")
window_text=$(readlink -f "${2:?usage: e2e_wine.sh ZazivadeZaz32.exe tavro_window_text.exe}")
[ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] || fail "no DISPLAY or WINEPREFIX (run it through scripts/windows-test)"
writer=${TAVRO_LIST_WRITER:-}
[ -x "$writer" ] || fail "TAVRO_LIST_WRITER names no Linux list writer"
wine=${TAVRO_WINE:-/usr/lib/wine/wine64}

work=$(mktemp -d /tmp/tavro-e2e_wine-XXXXXX)
mkdir "$work/frames" "$work/ocr"
cp "$exe" "$work/$kCaption.exe"
viewer_log=$work/viewer.log
app_pid=
trap cleanup EXIT
# The X server is scripts/windows-test's: never stopped here, its log is its own.
backend_stop_display() { :; }
backend_log() { :; }

# The Windows form of a path under /: Wine's drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

start_app() {
    app_cwd=$work/$1
    mkdir "$app_cwd"
    (cd "$app_cwd" && TAVRO_VIEWER_LOG=$(windows_path "$viewer_log") exec "$wine" "$work/$kCaption.exe") \
        >"$work/$1.log" 2>&1 &
    app_pid=$!
}

# The visible window titled exactly NAME.
window_id() {
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')
    xdotool search --all --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n1
}

# "X Y W H" of its client area on the screen (a window manager's frame
# around it is not counted).
backend_window() {
    local id info
    id=$(window_id "$1")
    [ -n "$id" ] || return 1
    info=$(xwininfo -id "$id") || return 1
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
         /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}' <<<"$info"
}

backend_focus() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || fail "no window '$1' to focus"
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
}

backend_keys() {
    local key
    for key; do
        case $key in
            text:*) xdotool type --delay 40 "${key#text:}" ;;
            *) xdotool key --delay 40 "$key" ;;
        esac
    done
}

backend_capture() {
    local x y w h
    read -r x y w h <<<"$1"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage \
        -define png:exclude-chunks=date,time "$2"
}

# The number after a footer label: the line of the list file that starts
# with those (code page 932) bytes.
footer_number() {
    LC_ALL=C grep -a "^$2" "$1" | tr -d '\r' | LC_ALL=C sed "s/^$2//"
}

# The list of the run at `bound` against the Linux build's, written with the
# same two times; the empty debug.txt; the viewer's one request, for that
# list in the program's working directory.
check_run() {
    local bound=$1 list=$app_cwd/2-$1.txt elapsed filetime expected
    wait_for 60 test -s "$viewer_log" || fail "the viewer was never asked to open 2-$bound.txt"
    elapsed=$(footer_number "$list" $'\x8F\x88\x97\x9D\x8E\x9E\x8A\xD4(\xD0\xD8\x95\x62)')
    filetime=$(footer_number "$list" $'\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x8E\x9E\x8A\xD4(\xD0\xD8\x95\x62)')
    [[ "$elapsed" =~ ^[0-9]+$ && "$filetime" =~ ^[0-9]+$ ]] ||
        fail "2-$bound.txt has no times in its footer: $(tail -c 120 "$list" | od -c | tail -n 6)"
    shown_times="$elapsed $filetime"
    "$writer" "$bound" "$elapsed" "$filetime" "$work/linux-$bound.txt" || fail "the Linux writer failed"
    cmp "$list" "$work/linux-$bound.txt" ||
        fail "2-$bound.txt differs from the Linux build's list with the same times"
    [ -f "$app_cwd/debug.txt" ] && [ ! -s "$app_cwd/debug.txt" ] || fail "debug.txt is not empty"
    expected="$(windows_path "$app_cwd")"$'\t'"$(windows_path "$list")"
    [ "$(tr -d '\r' <"$viewer_log")" = "$expected" ] ||
        fail "the viewer was asked: '$(cat "$viewer_log")', not '$expected'"
    note "2-$bound.txt: $(stat -c %s "$list") bytes, as the Linux build writes them;" \
        "processing $elapsed ms, file output $filetime ms"
}

scenario() {
    local geometry box
    start_app first
    geometry=$(wait_window "$kTitle")
    backend_focus "$kTitle"
    backend_capture "$geometry" "$work/start.png"
    [ "$(phase_of "$work/start.png")" = idle ] || fail "the dialog does not start with 入力待ち"

    # 1. The message box, found by its caption, read by OCR.
    backend_keys space
    box=$(wait_window "$kCaption")
    backend_focus "$kCaption"
    backend_capture "$box" "$work/box.png"
    local text
    text=$("$wine" "$window_text" "$kCaption" 65535 2>/dev/null) || fail "no text in the message box"
    [ "$text" = 範囲が不当です ] || fail "the message box says '$text'"
    [[ "$(read_field "$work/box.png" 0 0 "$kUnitsX" "$kUnitsY" 6)" == *囲が不当です* ]] ||
        fail "the message box does not show 範囲が不当です"
    backend_keys Return
    wait_for 30 window_gone "$kCaption" || fail "Enter did not close the message box"
    backend_focus "$kTitle"

    # 2. A run at 100 (Enter on スタート), then at 110000000, watched. Tab
    #    into the upper bound selects what it holds, so typing replaces it.
    backend_keys Tab Tab text:100 Tab Return
    check_run 100
    : >"$viewer_log"
    backend_keys Tab Tab "text:$kBound" Tab
    capture_run "$geometry" &
    capture_pid=$!
    backend_keys Return
    wait "$capture_pid" || fail "taking screenshots failed"
    capture_pid=
    wait_for 60 capture_results "$geometry" || true # check_run_frames says what was shown
    check_run_frames
    check_run "$kBound"
    check_times_shown "$shown_times"
    if [ -n "${TAVRO_E2E_SCREENSHOT:-}" ]; then
        cp "$(tail -n 1 "$work/frames/log" | cut -d' ' -f1)" "$TAVRO_E2E_SCREENSHOT"
    fi

    # 3. Escape ends the program; Enter in the upper-bound field does too,
    #    without a run.
    backend_keys Escape
    expect_exit Escape
    start_app second
    wait_window "$kTitle" >/dev/null
    backend_focus "$kTitle"
    backend_keys Tab Tab text:100 Return
    expect_exit "Enter in the upper-bound field"
    [ -z "$(ls -A "$app_cwd")" ] || fail "Enter in the upper-bound field left $(ls "$app_cwd")"
    note ok
}

scenario
