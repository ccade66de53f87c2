#!/usr/bin/env bash
# Runs one end-to-end scenario of the Windows program under Wine, on a private Xvfb display, in
# the suite's own Wine prefix; leaves no Wine or X process behind, whatever happens.
#
#   wine-harness.sh <bin-dir> <work-dir> setup-prefix     a fresh prefix (once per ctest run)
#   wine-harness.sh <bin-dir> <work-dir> <scenario> [...]  see the scenario functions below
#
# Needs: wine (wine64), xvfb, imagemagick (import, convert), python3. The prefix skips Mono and Gecko.
#
# The simulated devices: the test-double hid.dll and setupapi.dll (bin/windll) go into the
# prefix's system32, where Wine keeps preferring its own builtins, so only a process started with
# WINEDLLOVERRIDES="hid,setupapi=n" (the program in the sim scenarios, never Wine's own services)
# meets them. They are steered through ZRSIM_CONTROL_DIR (see sim/windll/ControlChannel.h).
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
bin_dir=$(cd "$1" && pwd)
work_dir=$(mkdir -p "$2" && cd "$2" && pwd)
scenario=$3
shift 3

export WINEPREFIX="$work_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)

xvfb_pid=""
program_pids=()

cleanup() {
    local status=$?
    for pid in "${program_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -d "$WINEPREFIX" ]; then "$wineserver" -k 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    exit "$status"
}
trap cleanup EXIT INT TERM

start_display() {
    local display_file="$work_dir/display.$$"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$display_file" ] && break
        sleep 0.05
    done
    [ -s "$display_file" ] || { echo "Xvfb did not start"; exit 1; }
    export DISPLAY=":$(tr -d '\n' <"$display_file")"
    rm -f "$display_file"
}

driver() { "$wine" "$bin_dir/zrdriver.exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# Puts a copy of the program at C:\zr\<folder>\zrflash.exe; echoes its Windows path.
install_copy() {
    mkdir -p "$WINEPREFIX/drive_c/zr/$1"
    cp "$bin_dir/zrflash.exe" "$WINEPREFIX/drive_c/zr/$1/zrflash.exe"
    echo "C:\\zr\\$1\\zrflash.exe"
}

# Starts a program in the background; its pid in $started.
start_program() {
    "$wine" "$1" >/dev/null 2>&1 &
    started=$!
    program_pids+=("$started")
}

# Waits (at most 30 s: a program that does not end fails the scenario rather than hang it) for
# the process and checks its exit code.
expect_exit() {  # pid code what
    local waited=0 code=0
    while kill -0 "$1" 2>/dev/null && [ "$waited" -lt 300 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$1" 2>/dev/null; then echo "FAIL $3 has not ended"; exit 1; fi
    wait "$1" || code=$?
    if [ "$code" != "$2" ]; then echo "FAIL $3 exited with $code, expected $2"; exit 1; fi
    echo "ok $3 exited with $code"
}

setup_prefix() {
    rm -rf "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
    # Wine draws the frame itself (there is no window manager), so screenshots show the caption.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    "$wineserver" -w
    own_documents_folder
    install_test_dlls
    echo "prefix ready: $WINEPREFIX"
}

# Wine links the user's Documents to the Linux home folder; the suite keeps its backups inside
# the prefix, in a plain folder as Windows has it.
own_documents_folder() {
    local documents
    for documents in "$WINEPREFIX"/drive_c/users/*/Documents; do
        if [ -L "$documents" ]; then rm "$documents" && mkdir "$documents"; fi
    done
}

# A Linux path as Wine's Z: drive shows it.
windows_path() { echo "Z:$1" | tr '/' '\\'; }

# Copied after the prefix exists: wineboot and the services never load them (builtins first).
install_test_dlls() {
    cp "$bin_dir/windll/hid.dll" "$bin_dir/windll/setupapi.dll" "$WINEPREFIX/drive_c/windows/system32/"
}

# A fresh control folder, no device files left from an earlier scenario, and Wine's services
# started under the plain overrides and kept up by a holder, so that the program's overrides
# reach the program alone.
prepare_sim() {
    install_test_dlls
    own_documents_folder
    control_dir="$work_dir/control.$1"
    rm -rf "$control_dir"
    mkdir -p "$control_dir"
    rm -f "$WINEPREFIX/dosdevices/hid#"*
    export ZRSIM_CONTROL_DIR ZRSIM_DEVICE_DIR
    ZRSIM_CONTROL_DIR=$(windows_path "$control_dir")
    ZRSIM_DEVICE_DIR=$(windows_path "$WINEPREFIX/dosdevices")
    "$wine" "$bin_dir/zrdriver.exe" hold 600000 >/dev/null 2>&1 &
    program_pids+=("$!")
    driver hold 1
}

# The devices the test-double DLLs carry from the start, one control command an argument.
sim_startup() { printf '%s\n' "$@" >"$control_dir/startup.txt"; }

# Starts a program that binds the test-double DLLs; its pid in $started.
start_sim_program() {
    WINEDLLOVERRIDES="hid,setupapi=n;mscoree,mshtml=" "$wine" "$1" >/dev/null 2>&1 &
    started=$!
    program_pids+=("$started")
}

expect_reply() {  # pattern command...
    local pattern=$1 reply
    shift
    reply=$(driver sim "$@") || true
    if ! [[ $reply =~ $pattern ]]; then echo "FAIL sim $*: \"$reply\" does not match $pattern"; exit 1; fi
    echo "ok sim $*: $reply"
}

# The program's window as the screen shows it, into a PNG file.
shoot() {
    local left top width height
    read -r left top width height < <(driver window-rect | head -1)
    mkdir -p "$(dirname "$1")"
    import -window root "$work_dir/screen.png"
    convert "$work_dir/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$1"
    echo "screenshot: $1 (${width}x${height})"
}

# The window as the definition says, Tab through its controls, a screenshot, and a clean close.
scenario_window() {
    local screenshot=$1 exe
    exe=$(install_copy window)
    # The driver waits before the program starts, so it reads the window before the first poll.
    driver check-window >"$work_dir/check-window.log" 2>&1 &
    local checker=$!
    start_program "$exe"
    local program=$started
    local code=0
    wait "$checker" || code=$?
    cat "$work_dir/check-window.log"
    [ "$code" = 0 ] || { echo "FAIL check-window"; exit 1; }
    driver check-tab-order
    sleep 1.5  # the first poll has run and the window has been painted
    shoot "$screenshot"
    driver close
    expect_exit "$program" 0 "the program after close"
}

# A second copy of the same file refuses to start; the first keeps running and its lock; after
# the first has ended, a new copy starts.
scenario_second_instance() {
    local exe title
    exe=$(install_copy single)
    title=$(echo "$exe" | tr '\\' '/')
    start_program "$exe"
    local first=$started
    driver wait-window 1
    start_program "$exe"
    local second=$started
    driver wait-messagebox "$title" second-instance
    expect_exit "$second" 0 "the refused copy"
    kill -0 "$first" || { echo "FAIL the first copy ended"; exit 1; }
    driver wait-window 1 2000
    start_program "$exe"
    local third=$started
    driver wait-messagebox "$title" second-instance
    expect_exit "$third" 0 "the copy refused again (the lock is still held)"
    driver close
    expect_exit "$first" 0 "the first copy"
    start_program "$exe"
    local later=$started
    driver wait-window 1
    driver close
    expect_exit "$later" 0 "a copy started after the first had ended"
}

# Copies of the program in different folders run side by side.
scenario_other_path() {
    local first_exe second_exe
    first_exe=$(install_copy path-a)
    second_exe=$(install_copy path-b)
    start_program "$first_exe"
    local first=$started
    driver wait-window 1
    start_program "$second_exe"
    local second=$started
    driver wait-window 2
    driver close
    expect_exit "$first" 0 "the first copy"
    expect_exit "$second" 0 "the copy from another folder"
}

# The real program on the simulated devices: it finds the instrument among the HID devices (the
# keyboard too), talks to it with feature reports, follows an unplug through WM_DEVICECHANGE and
# a plug back in.
scenario_sim_devices() {
    local exe
    exe=$(install_copy sim)
    prepare_sim devices
    start_sim_program "$exe"
    local program=$started
    driver wait-line connected12
    driver wait-text caption caption12
    driver wait-text Label1 current-version:C1.28
    driver wait-enabled B1 1
    expect_reply '^ok [1-9]' identified 0xFF4D
    expect_reply '^ok [1-9]' identified 0x1C4F
    expect_reply '^ok plugged=1 model=12 version=C1.28 set=[1-9]' state
    # An option click writes the instrument's memory: 0x3B3 becomes 1.
    expect_reply '^ok 0x0$' peek 0x3B3
    driver click C1
    driver sim-expect "peek 0x3B3" "ok 0x1" 5000
    driver sim dump "$(windows_path "$control_dir")"
    local cell
    cell=$(od -An -tx1 -j $((0x3B3)) -N1 "$control_dir/memory.bin" | tr -d ' ')
    [ "$cell" = 01 ] || { echo "FAIL the dump shows 0x3B3 = $cell"; exit 1; }
    echo "ok the dump shows 0x3B3 = 01"
    driver sim unplug-instrument
    driver wait-line disconnected12
    driver wait-text Label1 prompt 3000
    driver wait-enabled B1 0
    driver sim replug-instrument
    driver wait-text Label1 current-version:C1.28
    driver wait-enabled B1 1
    [ "$(driver lines | grep -c "подключен")" = 2 ] || { echo "FAIL two connection lines expected"; driver lines; exit 1; }
    echo "ok connected again"
    driver close
    expect_exit "$program" 0 "the program after close"
}

# Wine's own HID.dll and SetupAPI (no overrides, no devices): the program finds nothing and
# raises nothing. The test doubles sit in system32 all the same, and would plug an instrument
# if they were loaded.
scenario_wine_libraries() {
    local exe
    install_test_dlls
    rm -f "$WINEPREFIX/dosdevices/hid#"*
    exe=$(install_copy builtin)
    start_program "$exe"
    local program=$started
    driver wait-window 1
    sleep 1.5
    driver wait-text Label1 prompt 3000
    driver wait-enabled B1 0
    local lines
    lines=$(driver lines)
    [ -z "$lines" ] || { echo "FAIL log lines without any device: $lines"; exit 1; }
    echo "ok no log lines"
    driver close
    expect_exit "$program" 0 "the program after close"
}

# Files planted beside the program and in its current folder are never loaded or run: HID.dll,
# WINMM.dll (no KnownDLL) and TASKKILL.exe, each of which leaves a marker file beside itself if it
# is. The program still binds system32's HID.dll and ends a companion viewer that runs before it
# with the system's TASKKILL. Wine prefers its builtin WINMM to a DLL beside the program; the
# override makes it look there first, as Windows does. (VERSION.dll cannot be tried so: Wine's own
# user32 imports it, so with that override every program would load a planted copy; the
# import-table test covers it.)
scenario_planted_dll() {
    local exe folder current companion planted
    exe=$(install_copy planted)
    folder="$WINEPREFIX/drive_c/zr/planted"
    current="$WINEPREFIX/drive_c/zr/planted-current"
    mkdir -p "$current" "$WINEPREFIX/drive_c/zr/companion"
    rm -f "$folder"/*.marker "$current"/*.marker
    for planted in hid.dll winmm.dll taskkill.exe; do
        cp "$bin_dir/planted/$planted" "$folder/$planted"
        cp "$bin_dir/planted/$planted" "$current/$planted"
    done
    prepare_sim planted
    cp "$bin_dir/zrdriver.exe" "$WINEPREFIX/drive_c/zr/companion/zrview11.exe"
    "$wine" 'C:\zr\companion\zrview11.exe' hold 60000 >/dev/null 2>&1 &
    companion=$!
    program_pids+=("$companion")
    sleep 1
    kill -0 "$companion" || { echo "FAIL the companion did not start"; exit 1; }
    pushd "$current" >/dev/null
    WINEDLLOVERRIDES="hid,setupapi=n;winmm=n,b;mscoree,mshtml=" "$wine" "$exe" >/dev/null 2>&1 &
    started=$!
    program_pids+=("$started")
    popd >/dev/null
    local program=$started
    driver wait-line connected12
    driver wait-text Label1 current-version:C1.28
    expect_no_markers
    local waited=0
    while kill -0 "$companion" 2>/dev/null && [ "$waited" -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -0 "$companion" 2>/dev/null && { echo "FAIL the companion zrview11.exe still runs"; exit 1; }
    echo "ok the companion zrview11.exe was ended"
    driver close
    expect_exit "$program" 0 "the program after close"
    expect_no_markers
    # The port's loading from the system directory, its Windows 7 fallback included, beside the
    # same planted WINMM.dll.
    cp "$bin_dir/zrsystemfiles.exe" "$folder/zrsystemfiles.exe"
    pushd "$current" >/dev/null
    local code=0
    WINEDLLOVERRIDES="winmm=n,b;mscoree,mshtml=" "$wine" 'C:\zr\planted\zrsystemfiles.exe' >"$work_dir/systemfiles.log" 2>/dev/null || code=$?
    popd >/dev/null
    tr -d '\r' <"$work_dir/systemfiles.log"
    [ "$code" = 0 ] || { echo "FAIL the system-directory loading"; exit 1; }
    expect_no_markers
}

expect_no_markers() {
    local markers
    markers=$(cd "$WINEPREFIX/drive_c/zr" && ls planted/*.marker planted-current/*.marker 2>/dev/null || true)
    [ -z "$markers" ] || { echo "FAIL planted files were loaded or run:" $markers; exit 1; }
    echo "ok none of the planted files was loaded or run"
}

# Closing the window while a message box is open ends the program as any close does: the box
# goes with the window and the process ends with 0 within a few seconds (under Wine without a
# window manager a plain close takes about 2 s, one with a box about 4 s). The box of an option
# whose write the instrument keeps garbling (the poll's timer runs inside its loop), and the box
# of a chunk the instrument rejects during an upload.
scenario_close_during_box() {
    local case exe program box text
    for case in option upload; do
        exe=$(install_copy "closebox-$case")
        prepare_sim "closebox-$case"
        start_sim_program "$exe"
        program=$started
        driver wait-line connected12 >/dev/null
        driver wait-enabled B1 1 >/dev/null
        if [ "$case" = option ]; then
            driver sim corrupt-echo 3 4 20 >/dev/null
            driver click C1 >/dev/null
            text=write-error
        else
            driver click B1 >/dev/null
            driver wait-progress 3 60000 >/dev/null
            driver sim corrupt-checksum low 1 >/dev/null
            text=chunk-rejected
        fi
        box=$(driver find-messagebox "" "$text" 30000) || { echo "FAIL $case: no box: $box"; exit 1; }
        echo "ok $case: the box \"$text\" is open"
        driver close
        local waited=0 code=0
        while kill -0 "$program" 2>/dev/null && [ "$waited" -lt 100 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
        if kill -0 "$program" 2>/dev/null; then echo "FAIL $case: the program still runs 10 s after the close"; exit 1; fi
        wait "$program" || code=$?
        [ "$code" = 0 ] || { echo "FAIL $case: the program exited with $code"; exit 1; }
        echo "ok $case: closed with the box open, the program ended with 0 within $((waited / 10)).$((waited % 10)) s"
    done
}

# The option boxes' hints show whether a box is enabled or not: with an instrument C1 and C3 are
# enabled and C2 is not; without one their group G6 is disabled as well.
scenario_hints() {
    local exe control
    exe=$(install_copy hints)
    prepare_sim hints
    start_sim_program "$exe"
    local program=$started
    driver wait-line connected12 >/dev/null
    driver wait-enabled G6 1 >/dev/null
    driver wait-enabled C2 0 0 >/dev/null
    for control in C1 C2 C3; do driver hint "$control" 5000 || exit 1; done
    echo "ok the hints of C1, C2 (disabled) and C3 with the instrument"
    driver sim unplug-instrument >/dev/null
    driver wait-enabled G6 0 5000 >/dev/null
    for control in C1 C2 C3; do driver hint "$control" 5000 || exit 1; done
    echo "ok the hints of C1, C2 and C3 with G6 disabled"
    driver close
    expect_exit "$program" 0 "the program after close"
}

scenario_timer_bench() {
    "$wine" "$bin_dir/zrtimerbench.exe" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

source "$source_dir/tests/e2e/wine-update.sh"

if [ "$scenario" = setup-prefix ]; then
    start_display
    setup_prefix
    exit 0
fi
start_display
[ -f "$WINEPREFIX/system.reg" ] || setup_prefix
case "$scenario" in
    window) scenario_window "$@" ;;
    second-instance) scenario_second_instance ;;
    other-path) scenario_other_path ;;
    timer-bench) scenario_timer_bench ;;
    sim-devices) scenario_sim_devices ;;
    wine-libraries) scenario_wine_libraries ;;
    planted-dll) scenario_planted_dll ;;
    close-during-box) scenario_close_during_box ;;
    hints) scenario_hints ;;
    no-instrument) scenario_no_instrument ;;
    plug-model12) scenario_plug_model12 ;;
    update) scenario_update "$@" ;;
    unplug-during-update) scenario_unplug_during_update ;;
    keyboard-during-update) scenario_keyboard_during_update ;;
    checksum-button) scenario_checksum_button ;;
    second-copy-during-update) scenario_second_copy_during_update ;;
    keep-responsive-port) scenario_keep_responsive_port ;;
    backup-keeps-window-alive) scenario_backup_keeps_window_alive ;;
    box-left-open-during-swap) scenario_box_left_open_during_swap ;;
    update-bench) scenario_update_bench "$@" ;;
    *) echo "unknown scenario $scenario"; exit 2 ;;
esac
