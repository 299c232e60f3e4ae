# The scenario of the real-window tests, shared by e2e_x11.sh and
# e2e_wayland.sh; each sources this file after defining its display:
#
#   backend_start_display         start the display server
#   backend_stop_display [KILL]   stop it; with KILL, as a crash would
#   backend_log                   print the display server's log, if it has ended
#   backend_app_env               print the program's display variables, one a line
#   backend_window NAME           print "X Y W H" of the program's visible window
#                                 titled NAME, or fail
#   backend_focus NAME            give that window the focus, as a window
#                                 manager does with a new window
#   backend_keys KEY...           type one sequence: key names (Tab, Return,
#                                 space, Escape) and text:STRING
#   backend_capture "X Y W H" F   screenshot of that rectangle into the PNG F
#   backend_close NAME            the close box of the window NAME
#
# The program runs as $app_user (empty: the user running the test) from a copy
# in a work directory that user can reach, each start in a working directory
# of its own, with a stand-in viewer first on PATH. Every wait has a timeout;
# a missing tool fails the test.

set -euo pipefail
export LC_ALL=C

kTitle='Tavro+ for Win32'
kCaption=ZazivadeZaz32 # the executable's name, also the message boxes' caption
kBound=110000000
kPrimes=6303309
# The dialog template's size in dialog units, and the rectangles read back
# (left, top, right, bottom): the state line, the count and the two times.
kUnitsX=126
kUnitsY=95
kStateRect=(22 32 68 43)
kCountRect=(36 4 69 13)
kElapsedRect=(56 18 91 29)
kFileTimeRect=(80 46 120 56)

fail() {
    echo "$test_name: FAIL: $*" >&2
    exit 1
}
note() { echo "$test_name: $*"; }

require_tools() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null ||
            fail "$tool is not installed (scripts/install-deps test installs it)"
    done
}

# wait_for SECONDS COMMAND...: true as soon as COMMAND succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# An X server (Xvfb) for the program's user, on a display number picked at
# random far above the ones other servers on the machine take first, another
# if it is taken. -noreset: by default the server resets whenever its last
# client leaves, and refuses a client that connects just then (the program,
# after one of the test's own xdotool calls). Sets display and xvfb_pid.
xvfb_pid=
start_xvfb() {
    local try
    for ((try = 0; try < 10; try++)); do
        display=":$((100 + RANDOM % 30000))"
        Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
        xvfb_pid=$!
        wait_for 30 xvfb_answers_or_ended || true
        if kill -0 "$xvfb_pid" 2>/dev/null && xdo getdisplaygeometry >/dev/null 2>&1; then
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    done
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
}

xvfb_answers_or_ended() {
    ! kill -0 "$xvfb_pid" 2>/dev/null || xdo getdisplaygeometry >/dev/null 2>&1
}

# Ends the X server; with KILL, as a crash would.
stop_xvfb() {
    [ -n "$xvfb_pid" ] || return 0
    kill "-${1:-TERM}" "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}

xdo() { DISPLAY=$display xdotool "$@"; }

# 1. The work directory, readable by everyone; what the program's user writes
#    is its own. `as_user` runs a command as that user in a clean environment.
prepare_work() {
    local exe=$1
    [ -x "$exe" ] || fail "no executable at $exe"
    work=$(mktemp -d "/tmp/tavro-$test_name-XXXXXX")
    chmod 755 "$work"
    mkdir "$work/bin" "$work/out" "$work/home" "$work/frames" "$work/ocr"
    cp "$exe" "$work/$kCaption"
    chmod 755 "$work/$kCaption"
    viewer_log=$work/out/viewer.log
    cat >"$work/bin/xdg-open" <<STUB
#!/bin/sh
printf '%s/%s\n' "\$(pwd -P)" "\$*" >>"$viewer_log"
STUB
    chmod 755 "$work/bin/xdg-open"
    user_env=(PATH="$work/bin:/usr/local/bin:/usr/bin:/bin" HOME="$work/home" LC_ALL=C.UTF-8)
    # The sanitizer build's options travel along; its suppressions file is
    # copied, since the source tree may be closed to the program's user.
    local var value
    for var in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
        value=${!var:-}
        [ -n "$value" ] || continue
        if [[ "$value" =~ (^|:)suppressions=([^:]+) ]]; then
            cp "${BASH_REMATCH[2]}" "$work/$var.supp"
            chmod 644 "$work/$var.supp"
            value=${value/suppressions=${BASH_REMATCH[2]}/suppressions=$work/$var.supp}
        fi
        user_env+=("$var=$value")
    done
    if [ -n "$app_user" ]; then
        chown "$app_user:" "$work/out" "$work/home"
        as_user=(setpriv --reuid="$app_user" --regid="$(id -g "$app_user")" --clear-groups
            -- env -i "${user_env[@]}")
    else
        as_user=(env -i "${user_env[@]}")
    fi
}

# A directory of the program's user, private to it (runtime directories).
user_dir() {
    mkdir -m 700 "$1"
    [ -z "$app_user" ] || chown "$app_user:" "$1"
}

cleanup() {
    [ -z "${capture_pid:-}" ] || kill "$capture_pid" 2>/dev/null || true
    [ -z "${app_pid:-}" ] || kill "$app_pid" 2>/dev/null || true
    backend_stop_display || true
    if [ -n "${TAVRO_E2E_KEEP:-}" ]; then
        echo "$test_name: work directory kept: $work" >&2
    elif [ -n "${work:-}" ]; then
        rm -rf "$work"
    fi
}

# 2. One start of the program in the new working directory $work/$1.
start_app() {
    app_cwd=$work/$1
    mkdir "$app_cwd"
    [ -z "$app_user" ] || chown "$app_user:" "$app_cwd"
    local -a display_env
    mapfile -t display_env < <(backend_app_env)
    (cd "$app_cwd" && exec "${as_user[@]}" "${display_env[@]}" "$work/$kCaption") \
        >"$work/$1.log" 2>&1 &
    app_pid=$!
}

app_running() { kill -0 "$app_pid" 2>/dev/null; }

# Waits for the window NAME of the running program; prints its geometry.
wait_window() {
    local geometry deadline=$((SECONDS + 60))
    until geometry=$(backend_window "$1"); do
        app_running || fail "the program ended: $(cat "$app_cwd.log")$(backend_log)"
        ((SECONDS < deadline)) || fail "no window '$1' appeared"
        sleep 0.1
    done
    echo "$geometry"
}

window_gone() { ! backend_window "$1" >/dev/null; }

# Ends with the program's exit status checked.
expect_exit() {
    wait_for 60 eval '! app_running' || fail "the program did not end after $1"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=
    [ "$status" -eq 0 ] || fail "the program exited with $status after $1: $(cat "$app_cwd.log")"
}

# 3. Reading a picture back. `read_field FILE LEFT TOP RIGHT BOTTOM [PSM]
#    [LANG OPTIONS...]` prints the text in that rectangle (dialog units,
#    mapped by the picture's size), read by OCR at three times the size (in
#    Japanese unless told otherwise); each distinct crop is read once that way.
read_field() {
    local file=$1 width height
    read -r width height < <(identify -format '%w %h\n' "$file")
    local x=$(($2 * width / kUnitsX)) y=$(($3 * height / kUnitsY))
    local w=$(($4 * width / kUnitsX - x)) h=$(($5 * height / kUnitsY - y))
    local crop=$work/ocr/crop.png key psm=${6:-7}
    shift $(($# < 6 ? $# : 6))
    local language=(-l "${1:-jpn}")
    shift $(($# < 1 ? $# : 1))
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -resize 300% \
        -define png:exclude-chunks=date,time "$crop"
    key=$(printf '%s %s' "$(md5sum <"$crop" | cut -c1-32)" "${language[*]} $psm $*" | md5sum | cut -c1-32)
    if [ ! -f "$work/ocr/$key" ]; then
        tesseract "$crop" - "${language[@]}" --psm "$psm" "$@" 2>/dev/null | tr -d ' \n\f' \
            >"$work/ocr/$key"
    fi
    cat "$work/ocr/$key"
}

# A number in that rectangle: read as digits alone, so that a stroke of the
# label beside it is not taken for one more character.
read_number() {
    read_field "$@" 7 eng -c tessedit_char_whitelist=0123456789
}

# The phase a picture of the dialog shows: idle (入力待ち, no count of this
# run), processing (処理中), writing (ファイル出力中) or results (入力待ち with
# the run's count); anything else is printed as "unreadable:TEXT".
phase_of() {
    local state count
    state=$(read_field "$1" "${kStateRect[@]}")
    count=$(read_field "$1" "${kCountRect[@]}")
    case $state in
        入力待ち) [ "$count" = "$kPrimes" ] && echo results || echo idle ;;
        処理中) echo processing ;;
        ファイル出力中) echo writing ;;
        *) echo "unreadable:$state" ;;
    esac
}

# 4. Screenshots of the window, one after the other, until some time after
#    the viewer request. Each is logged "before" if that request had not been
#    made when the picture was complete, else "after".
capture_run() {
    local geometry=$1 i=0 after=0 frame deadline=$((SECONDS + 150))
    while ((after < 10 && SECONDS < deadline)); do
        frame=$(printf '%s/frames/%04d.png' "$work" "$i")
        backend_capture "$geometry" "$frame" || return 1
        if [ -s "$viewer_log" ]; then
            echo "$frame after"
            after=$((after + 1))
        else
            echo "$frame before"
        fi >>"$work/frames/log"
        i=$((i + 1))
    done
}

# One more frame, logged "after"; true when it shows the results. The last
# push follows the viewer request at once, but a loaded machine may show it
# a little later than the frames capture_run took.
capture_results() {
    local frame
    frame=$(printf '%s/frames/%04d.png' "$work" "$(wc -l <"$work/frames/log")")
    backend_capture "$1" "$frame" || return 1
    echo "$frame after" >>"$work/frames/log"
    [ "$(phase_of "$frame")" = results ]
}

# The proof: in order, the frames go idle → processing → writing → results
# and never back; at least one frame complete before the viewer request shows
# ファイル出力中; the last, taken after it, shows the results.
check_run_frames() {
    declare -A seen=()
    local -A rank=([idle]=0 [processing]=1 [writing]=2 [results]=3)
    local frame when sum phase last=idle last_frame last_when
    declare -A phase_by_sum=()
    while read -r frame when; do
        last_frame=$frame
        last_when=$when
        sum=$(md5sum <"$frame" | cut -c1-32)
        if [ -z "${phase_by_sum[$sum]:-}" ]; then
            phase_by_sum[$sum]=$(phase_of "$frame")
        fi
        phase=${phase_by_sum[$sum]}
        [ -n "${rank[$phase]:-}" ] || fail "$frame: the state line reads '${phase#unreadable:}'"
        ((rank[$phase] >= rank[$last])) || fail "$frame shows $phase after $last"
        last=$phase
        seen[$when.$phase]=$((${seen[$when.$phase]:-0} + 1))
    done <"$work/frames/log"
    note "frames before the viewer request: 入力待ち ${seen[before.idle]:-0}," \
        "処理中 ${seen[before.processing]:-0}, ファイル出力中 ${seen[before.writing]:-0}," \
        "results ${seen[before.results]:-0}; after it: ファイル出力中 ${seen[after.writing]:-0}," \
        "results ${seen[after.results]:-0}"
    ((${seen[before.writing]:-0} > 0)) ||
        fail "no frame taken before the viewer request showed ファイル出力中"
    [ "$last_when" = after ] && [ "$last" = results ] ||
        fail "the last frame, $last_frame, shows $last, not the results"
}

# 5. What the stand-in viewer was asked to open: one request, for the list
#    file of the run in the program's working directory. The dialog hands
#    xdg-open the list's name, relative to the working directory the opener
#    inherits; the stand-in records it resolved against that directory.
check_viewer_request() {
    local list=$1 cwd requests
    cwd=$(cd "$app_cwd" && pwd -P)
    requests=$(cat "$viewer_log")
    [ "$requests" = "$cwd/$list" ] || fail "the viewer was asked to open '$requests'"
}

# The list file's head and summary, and the empty debug.txt; its two times
# are left in list_times.
list_times=
check_list_file() {
    local list=$app_cwd/2-$kBound.txt tail
    [ -f "$app_cwd/debug.txt" ] && [ ! -s "$app_cwd/debug.txt" ] || fail "debug.txt is not empty"
    [ "$(head -c 12 "$list")" = $'2\t3\t5\t7\t11\r' ] ||
        fail "2-$kBound.txt begins with: $(head -c 12 "$list" | od -c)"
    [ "$(tail -c 2 "$list" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "2-$kBound.txt ends without CR LF"
    tail=$(tail -n 4 "$list" | tr -d '\r')
    local count=$'\x91\x66\x90\x94\x82\xCD'$kPrimes$'\x8C\xC2\x82\xC5\x82\xB7'
    local elapsed=$'\x8F\x88\x97\x9D\x8E\x9E\x8A\xD4\\(\xD0\xD8\x95\x62\\)([0-9]+)'
    local filetime=$'\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x8E\x9E\x8A\xD4\\(\xD0\xD8\x95\x62\\)([0-9]+)'
    [[ "$tail" =~ ^[0-9$'\t']+$'\n'$count$'\n'$elapsed$'\n'$filetime$ ]] ||
        fail "2-$kBound.txt ends with: $(tail -n 4 "$list" | od -c | tail -n 8)"
    list_times="${BASH_REMATCH[1]} ${BASH_REMATCH[2]}"
}

# The last frame of the watched run shows the two times `$1` ("processing
# file-output") that its list's footer holds.
check_times_shown() {
    local last shown
    last=$(tail -n 1 "$work/frames/log" | cut -d' ' -f1)
    shown="$(read_number "$last" "${kElapsedRect[@]}") $(read_number "$last" "${kFileTimeRect[@]}")"
    [ "$shown" = "$1" ] || fail "$last shows the times $shown, the list $1"
}

# The whole scenario.
run_scenario() {
    local geometry box
    backend_start_display

    # Start-up: 入力待ち, no count, the focus on スタート.
    start_app first
    geometry=$(wait_window "$kTitle")
    backend_focus "$kTitle"
    backend_capture "$geometry" "$work/start.png"
    [ "$(phase_of "$work/start.png")" = idle ] || fail "the dialog does not start with 入力待ち"

    # Space presses スタート: the empty bound gives one message box with the
    # executable's name as caption; Enter presses its OK.
    backend_keys space
    box=$(wait_window "$kCaption")
    backend_focus "$kCaption"
    backend_capture "$box" "$work/box.png"
    [[ "$(read_field "$work/box.png" 0 0 "$kUnitsX" "$kUnitsY" 6)" == *範囲が不当です* ]] ||
        fail "the message box does not say 範囲が不当です"
    backend_keys Return
    wait_for 30 window_gone "$kCaption" || fail "Enter did not close the message box"
    backend_focus "$kTitle"

    # Tab twice reaches the upper bound, a third time スタート again; Enter
    # there starts the run, watched frame by frame.
    backend_keys Tab Tab "text:$kBound" Tab
    capture_run "$geometry" &
    capture_pid=$!
    backend_keys Return
    wait "$capture_pid" || fail "taking screenshots failed"
    capture_pid=
    [ -s "$viewer_log" ] || fail "the viewer was never asked to open the list"
    wait_for 60 capture_results "$geometry" || true # check_run_frames says what was shown
    check_run_frames
    check_viewer_request "2-$kBound.txt"
    check_list_file
    check_times_shown "$list_times"
    if [ -n "${TAVRO_E2E_SCREENSHOT:-}" ]; then
        cp "$(tail -n 1 "$work/frames/log" | cut -d' ' -f1)" "$TAVRO_E2E_SCREENSHOT"
    fi

    # Escape ends the program.
    backend_keys Escape
    expect_exit Escape

    # The close box ends it too.
    start_app second
    wait_window "$kTitle" >/dev/null
    backend_focus "$kTitle"
    backend_close "$kTitle"
    expect_exit "the close box"

    # Enter in the upper-bound field ends it as OK, without a run.
    start_app third
    wait_window "$kTitle" >/dev/null
    backend_focus "$kTitle"
    backend_keys Tab Tab text:100 Return
    expect_exit "Enter in the upper-bound field"
    [ -z "$(ls -A "$app_cwd")" ] || fail "Enter in the upper-bound field left $(ls "$app_cwd")"

    # The display server goes away while a run writes its list: the run still
    # ends with its list whole, and then the process ends with status 1.
    start_app fourth
    wait_window "$kTitle" >/dev/null
    backend_focus "$kTitle"
    backend_keys Tab Tab "text:$kBound" Tab Return
    local list=$app_cwd/2-$kBound.txt size status=0
    wait_for 60 test -s "$list" || fail "the run at $kBound wrote no list"
    backend_stop_display KILL
    size=$(stat -c %s "$list")
    wait_for 60 eval '! app_running' || fail "the program did not end after its display server"
    wait "$app_pid" || status=$?
    app_pid=
    [ "$status" -eq 1 ] ||
        fail "the program exited with $status after its display server: $(cat "$app_cwd.log")"
    check_list_file
    (($(stat -c %s "$list") > size)) ||
        fail "the display server went away only after the run had written its list"
    note ok
}
