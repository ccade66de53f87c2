#!/usr/bin/env bash
# Runs one end-to-end scenario of the Windows program under Wine, on a private Xvfb display, in
# the suite's own Wine prefix; leaves no Wine or X process behind, whatever happens.
#
#   wine-harness.sh <bin-dir> <work-dir> setup-prefix     a fresh prefix (once per ctest run)
#   wine-harness.sh <bin-dir> <work-dir> <scenario> [...]  see the scenario functions below
#
# Needs: wine (wine64), xvfb, imagemagick (import, convert). The prefix skips Mono and Gecko.
set -euo pipefail

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

expect_exit() {  # pid code what
    local code=0
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
    echo "prefix ready: $WINEPREFIX"
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
    read -r left top width height < <(driver window-rect | head -1)
    sleep 1.5  # the first poll has run and the window has been painted
    mkdir -p "$(dirname "$screenshot")"
    import -window root "$work_dir/screen.png"
    convert "$work_dir/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$screenshot"
    echo "screenshot: $screenshot (${width}x${height})"
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

scenario_timer_bench() {
    "$wine" "$bin_dir/zrtimerbench.exe" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

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
    *) echo "unknown scenario $scenario"; exit 2 ;;
esac
