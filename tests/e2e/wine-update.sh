# Firmware updates of the simulated instrument by the real program under Wine: the scenarios and
# their checks. Sourced by wine-harness.sh, whose helpers (driver, prepare_sim, sim_startup,
# start_sim_program, start_program, expect_reply, expect_exit, shoot) it uses.

update_files() {
    command -v python3 >/dev/null || fail "python3 is needed to check the backup and the flash"
    python3 "$source_dir/tests/e2e/update-files.py" "$@"
}

fail() {
    echo "FAIL $*"
    exit 1
}

# The log as it stands, line for line; an expected line that starts with "~" is a pattern.
expect_log() {
    local expected actual line matched=1 i=0
    expected=$(printf '%s\n' "$@")
    actual=$(driver lines)
    mapfile -t lines <<<"$actual"
    [ "${#lines[@]}" = $# ] || matched=0
    for line in "$@"; do
        [ "$matched" = 1 ] || break
        if [ "${line:0:1}" = "~" ]; then
            # shellcheck disable=SC2053
            [[ ${lines[$i]} == ${line:1} ]] || matched=0
        else
            [ "${lines[$i]}" = "$line" ] || matched=0
        fi
        i=$((i + 1))
    done
    if [ "$matched" != 1 ]; then
        printf 'FAIL the log reads:\n%s\nexpected:\n%s\n' "$actual" "$expected"
        exit 1
    fi
    echo "ok the log: $# lines, ending \"${*: -1}\""
}

# The log line that names the backup file: the identification, the minute and, for a second
# backup of that minute, its number.
backup_file_line() {  # ident+version
    echo "~файл $1_[0-9][0-9][0-9][0-9]_[0-9][0-9][0-9][0-9][0-9][0-9]*.hex"
}

# "C:\users\..." as a Linux path inside the prefix.
unix_path() {
    case "$1" in
        [Cc]:\\*) local rest=${1:3}; echo "$WINEPREFIX/drive_c/${rest//\\//}" ;;
        *) fail "not on drive C: $1" ;;
    esac
}

# The backup folder of a model, inside the prefix where the program's shell puts Documents.
backup_folder() {
    local documents
    documents=$(unix_path "$(driver documents-folder)")
    case "$(realpath "$documents")/" in
        "$(realpath "$WINEPREFIX")"/*) ;;
        *) fail "Documents lies outside the prefix: $documents" ;;
    esac
    if [ "$1" = 12 ]; then echo "$documents/zr12_01"; else echo "$documents/zr14"; fi
}

# DeviceIdent as the program builds it from the instrument's identification bytes: the letter
# 'A' + the byte at 0x093 of space 29, then the others in upper-case hexadecimal, two digits each.
device_ident() {
    local reads=(29:0x093 24:0x800 24:0x900 24:0xA00 24:0xB00 24:0xC00 24:0xD00 24:0x1000 24:0x1200 24:0x1300
                 24:0x1400 24:0x1500 28:0x000 28:0x100 28:0x200 28:0x400 28:0x500 29:0x1D0)
    local commands=() read reply byte ident=""
    for read in "${reads[@]}"; do commands+=(peek-space "${read%%:*}" "${read#*:}" ";"); done
    unset 'commands[-1]'
    reply=$(driver sim "${commands[@]}") || fail "identification bytes: $reply"
    while read -r _ byte; do
        if [ -z "$ident" ]; then ident=$(printf "\\x$(printf %02X $((0x41 + byte)))")
        else ident+=$(printf %02X "$byte"); fi
    done <<<"$reply"
    echo "$ident"
}

# The instrument's memory and flash, into a folder of that name in the control folder.
dump_instrument() {
    mkdir -p "$control_dir/$1"
    driver sim dump "$(windows_path "$control_dir/$1")" >/dev/null
}

state_field() { driver sim state | sed -n "s/.* $1=\\([^ ]*\\).*/\\1/p"; }

# The program started on a keyboard and an instrument (plug-instrument options as arguments),
# after the poll has identified the instrument; its process id in $program.
start_on_instrument() {
    local folder=$1 model=$2 version=$3
    shift 3
    local exe
    exe=$(install_copy "$folder")
    prepare_sim "$folder"
    sim_startup plug-keyboard "plug-instrument model=$model version=$version $*"
    start_sim_program "$exe"
    program=$started
    driver wait-line "connected$model" >/dev/null
    driver wait-text Label1 "current-version:$version" >/dev/null
    driver wait-enabled B1 1 >/dev/null
    echo "ok model $model with $version identified"
}

# After a whole update: the log, the status line once the poll has run again, the flash
# against the carried image, the instrument's state and version.
expect_updated() {
    local model=$1 version=$2 pages=${3:-224}
    shift 3 || true
    driver wait-text Label1 "current-version:$version" 3000
    driver wait-enabled B1 1 >/dev/null
    driver wait-enabled G6 1 >/dev/null
    echo "ok the next poll shows $version, B1 and G6 enabled"
    dump_instrument "after"
    update_files check-flash "$source_dir/update/images/firmware-$model.bin" "$control_dir/after/flash.bin" || exit 1
    expect_reply "^ok plugged=1 model=$model version=$version .* pages=$pages .* state=0x1$" state
}

close_program() {
    driver close
    expect_exit "$program" 0 "the program after close"
}

# 1. No instrument: the opening caption, then the poll's prompt; B1 and the options disabled.
scenario_no_instrument() {
    local exe
    exe=$(install_copy none)
    prepare_sim none
    sim_startup plug-keyboard
    start_sim_program "$exe"
    program=$started
    driver wait-window 1
    driver wait-text caption start-caption
    echo "ok the opening caption"
    driver wait-text Label1 prompt 5000
    driver wait-enabled G6 0 1000
    driver wait-enabled B1 0 0
    driver wait-text caption start-caption 0
    echo "ok after the first poll: the prompt, B1 and G6 disabled, the caption unchanged"
    expect_reply '^ok [1-9]' identified 0x1C4F
    [ -z "$(driver lines)" ] || fail "log lines without an instrument: $(driver lines)"
    echo "ok no log lines"
    close_program
}

expect_boxes() {  # options C1 C2 C3
    driver wait-checked C1 "$2" 3000 >/dev/null
    driver wait-checked C2 "$3" 3000 >/dev/null
    driver wait-checked C3 "$4" 3000 >/dev/null
    echo "ok $1: C1 $2, C2 $3, C3 $4"
}

# 2. A model-12 instrument: caption, log, version, B1; the option boxes follow the instrument's
# cells (two instruments with opposite options), and ticking C1 writes its cell.
scenario_plug_model12() {
    start_on_instrument plug 12 C1.28 state=1 autosave=0 rcld=1 menu=1
    driver wait-text caption caption12 0
    expect_log "Пинцет ЖР-12 подключен"
    expect_boxes "autosave=0 rcld=1 menu=1" 0 1 1
    driver wait-enabled G6 1 >/dev/null
    driver click C1
    driver sim-expect "peek 0x3B3" "ok 0x1" 5000 >/dev/null
    sleep 1.2  # the next poll reads the cell back
    driver wait-checked C1 1 0 >/dev/null
    expect_reply '^ok 0x4$' peek 0x3CD
    expect_reply '^ok 0x1$' peek 0x3FE
    echo "ok ticking C1 wrote 1 at 0x3B3, the poll keeps the box ticked, the other cells are untouched"
    # Another instrument with the opposite options: the boxes follow; unticking C1 writes 0.
    driver sim plug-instrument model=12 version=C1.28 state=1 autosave=1 rcld=0 menu=0 >/dev/null
    expect_boxes "autosave=1 rcld=0 menu=0" 1 0 0
    driver wait-enabled G6 1 >/dev/null
    driver click C1
    driver sim-expect "peek 0x3B3" "ok 0x0" 5000 >/dev/null
    echo "ok unticking C1 wrote 0 at 0x3B3"
    close_program
}

# 3, 4. A whole update: backup file, progress, success line, new version, flash, cells.
scenario_update() {
    local model=$1 old=$2 new=$3 shots=${4:-}
    start_on_instrument "update$model" "$model" "$old" state=1
    driver wait-text caption "caption$model" 0
    local folder ident before after
    folder=$(backup_folder "$model")
    rm -rf "$folder"
    ident=$(device_ident)
    [ ${#ident} = 35 ] || fail "DeviceIdent \"$ident\""
    echo "ok DeviceIdent $ident"
    if [ -n "$shots" ]; then sleep 0.3; shoot "$shots/wine-idle.png"; fi
    dump_instrument before
    before=$(date +%H%M_%d%m%y)
    driver click B1
    driver watch-upload 120000 >"$work_dir/watch.log" &
    local watcher=$!
    driver wait-text Label1 updating 30000
    driver wait-enabled B1 0 0
    driver wait-enabled G6 0 0
    echo "ok uploading: the update text, B1 and G6 disabled"
    if [ -n "$shots" ]; then
        driver wait-progress 100 60000
        shoot "$shots/wine-uploading.png"
    fi
    local code=0
    wait "$watcher" || code=$?
    cat "$work_dir/watch.log"
    [ "$code" = 0 ] || fail "the upload"
    after=$(date +%H%M_%d%m%y)
    local folder_line="папку \"Мои документы/zr12_01\""
    [ "$model" = 14 ] && folder_line="папку \"Мои документы/zr14\""
    expect_log "Пинцет ЖР-$model подключен" "Настройки прибора сохранены в" "$folder_line" \
        "$(backup_file_line "$ident$old")" "Процесс завершен успешно !!"
    local file="" stamp
    for stamp in "$before" "$after"; do
        [ -f "$folder/${ident}${old}_$stamp.hex" ] && file="$folder/${ident}${old}_$stamp.hex"
    done
    [ -n "$file" ] || fail "no backup ${ident}${old}_$before.hex in $folder: $(ls "$folder" 2>&1)"
    [ "$(ls "$folder" | wc -l)" = 1 ] || fail "more files than one in $folder: $(ls "$folder")"
    echo "ok backup file ${file#$WINEPREFIX/}"
    update_files check-backup "$control_dir/before/memory.bin" "$file" || exit 1
    expect_updated "$model" "$new"
    if [ -n "$shots" ]; then shoot "$shots/wine-done.png"; fi
    if [ "$model" = 14 ]; then
        # The firmware check after the upload; the sim's sum of the uploaded image is the one
        # the program expects of its model-14 firmware.
        expect_reply '^ok 1$' sent 25
        expect_reply 'checksum=0x5D0B5F ' state
        local kept
        kept=$(od -An -tx1 -j $((0x345)) -N1 "$control_dir/before/memory.bin" | tr -d ' ')
        expect_reply "^ok 0x$(printf %X $((0x$kept)))\$" peek 0x345
    else
        expect_reply '^ok 0$' sent 25
        expect_reply '^ok 0x0$' peek 0x345
    fi
    close_program
}

# 5. The instrument unplugged in the middle of an upload: the upload stops, the re-plugged
# instrument asks for a reload, and a second update goes through.
scenario_unplug_during_update() {
    start_on_instrument unplug 12 C1.28 state=1
    rm -rf "$(backup_folder 12)"
    driver click B1
    driver wait-progress 40 60000
    driver sim unplug-instrument >/dev/null
    driver wait-line disconnected12 >/dev/null
    # An unplug that catches a chunk on its way fails the chunk's checksum, and the box says so
    # (its loop has already taken the removal); one that falls between two ticks stops the
    # upload before the next chunk, with no box.
    local box=0
    driver wait-messagebox "" chunk-rejected 1500 >"$work_dir/box.log" || box=$?
    case $box in
        0) echo "ok the chunk on its way was rejected: the box, OK pressed" ;;
        3) echo "ok unplugged between two chunks: no box" ;;
        *) cat "$work_dir/box.log"; fail "the box after the unplug" ;;
    esac
    local progress chunks
    progress=$(driver progress)
    [ "${progress%% *}" = 0 ] || fail "progress $progress after the disconnection"
    echo "ok disconnected, progress back to 0"
    driver wait-text Label1 prompt 3000 >/dev/null
    driver wait-enabled B1 0 >/dev/null
    chunks=$(driver sim sent 23)
    driver sim replug-instrument >/dev/null
    driver wait-text Label1 reload-version:C1.28 3000
    driver wait-enabled B1 1 >/dev/null
    echo "ok plugged in again: the reload prompt"
    sleep 0.5
    expect_reply "^$chunks\$" sent 23
    expect_reply '^ok 0x88$' peek 0x3FF
    progress=$(driver progress)
    [ "${progress%% *}" = 0 ] || fail "progress $progress after the re-plug"
    echo "ok the upload stays stopped ($chunks chunks sent)"
    local pages
    pages=$(state_field pages)
    driver click B1
    driver watch-upload 120000
    expect_log "Пинцет ЖР-12 подключен" "Настройки прибора сохранены в" "папку \"Мои документы/zr12_01\"" \
        "$(backup_file_line "*")" "Процесс завершен успешно !!"
    expect_updated 12 C1.31 $((pages + 224))
    # The retry's backup went beside the first one, which still holds the settings from before.
    local backups
    backups=$(ls "$(backup_folder 12)" | wc -l)
    [ "$backups" = 2 ] || fail "$backups backup files after the retry: $(ls "$(backup_folder 12)")"
    echo "ok both backups kept"
    close_program
}

# 6. Another HID device (the keyboard) leaving and coming back during an upload leaves it alone.
scenario_keyboard_during_update() {
    start_on_instrument keyboard 12 C1.28 state=1
    driver click B1
    driver wait-progress 40 60000
    driver sim unplug-keyboard >/dev/null
    driver wait-progress 100 60000
    driver sim plug-keyboard >/dev/null
    driver watch-upload 120000
    # Each change of the device list announces the instrument again; none disconnects it.
    expect_log "Пинцет ЖР-12 подключен" "Настройки прибора сохранены в" "папку \"Мои документы/zr12_01\"" \
        "$(backup_file_line "*")" "Пинцет ЖР-12 подключен" "Пинцет ЖР-12 подключен" "Процесс завершен успешно !!"
    expect_updated 12 C1.31
    close_program
}

# 7. The hidden Button1, reached with Tab and pressed with Space, shows the instrument's checksum.
scenario_checksum_button() {
    local flash expected
    mkdir -p "$work_dir/flash"
    flash="$work_dir/flash/random.bin"
    update_files random-flash "$flash" 7
    start_on_instrument checksum 12 C1.28 state=1 "flash=$(windows_path "$flash")"
    dump_instrument held
    expected=$(update_files checksum "$control_dir/held/flash.bin")
    expect_reply "checksum=$(printf 0x%X "$expected") " state
    driver wait-text E1 literal:E1 0 >/dev/null
    driver tab-press Button1
    driver wait-text E1 "literal:$expected" 3000 >/dev/null
    echo "ok E1 shows $expected"
    expect_reply '^ok 1$' sent 25
    close_program
}

# 8. A second copy of the same file during an upload is refused; the upload goes on to success.
scenario_second_copy_during_update() {
    start_on_instrument second 12 C1.28 state=1
    local exe title
    exe="C:\\zr\\second\\zrflash.exe"
    title=$(echo "$exe" | tr '\\' '/')
    driver click B1
    driver wait-progress 20 60000
    start_program "$exe"
    local second=$started
    driver wait-messagebox "$title" second-instance
    expect_exit "$second" 0 "the refused copy"
    local progress
    progress=$(driver progress)
    [ "${progress%% *}" -lt 224 ] || fail "the upload had ended before the second copy was refused"
    echo "ok refused at page ${progress%% *}"
    driver wait-window 1 0
    driver watch-upload 120000
    expect_log "Пинцет ЖР-12 подключен" "Настройки прибора сохранены в" "папку \"Мои документы/zr12_01\"" \
        "$(backup_file_line "*")" "Процесс завершен успешно !!"
    expect_updated 12 C1.31
    close_program
}

# A whole update in real time with an instrument that takes 1 ms per transfer, beside the
# protocol's floor and what plain SetTimer pacing would give; and with an instrument that answers
# at once, which shows what Wine and the test-double DLLs add to every transfer.
update_seconds() {  # latency
    start_on_instrument bench 12 C1.28 state=1 "latency=$1" >/dev/null
    local seconds
    seconds=$(driver update-time 300000) || fail "no success line: $seconds"
    expect_updated 12 C1.31 >/dev/null
    close_program >/dev/null
    echo "$seconds"
}

scenario_update_bench() {
    local record=$1 paced instant
    paced=$(update_seconds 1)
    instant=$(update_seconds 0)
    local floor=23.327 coarse=65.831
    {
        echo "whole update under Wine, 1 ms per transfer: $paced s"
        echo "protocol floor (13,776 transfers x 1 ms + 2,380 ms of pauses + 3,585 ticks x 2 ms): $floor s"
        echo "on a plain SetTimer (15.6 ms ticks): $coarse s"
        awk -v s="$paced" -v f="$floor" -v c="$coarse" \
            'BEGIN { printf "%.2f x the floor, %.2f x the plain-SetTimer figure\n", s / f, s / c }'
        echo "whole update under Wine, instant answers: $instant s"
    } | tee "$record"
    awk -v s="$paced" -v c="$coarse" 'BEGIN { exit !(s < c) }' || fail "no faster than a plain SetTimer"
}

# The bytes FIRST..LAST of a memory dump, in hexadecimal.
memory_bytes() {  # file first last
    od -An -tx1 -v -j $(($2)) -N $(($3 - $2 + 1)) "$1" | tr -s ' \n' ' '
}

# In the instrument's trace, the requests from the backup's first read (address 0) up to the
# update mark (0x88 written at 0x3FF) are all reads, at addresses that never go back: a poll tick
# among them would have asked for the battery or the version cells.
expect_only_backup_reads_before_mark() {
    local trace="$control_dir/trace.txt" verdict
    driver sim trace "$(windows_path "$trace")" >/dev/null
    verdict=$(awk '
        $2 == "set" { n++; command[n] = $3; address[n] = substr($5, 3, 4); value[n] = substr($5, 7, 2) }
        END {
            for (mark = 1; mark <= n && !(command[mark] == 20 && address[mark] == "03FF" && value[mark] == "88"); mark++) {}
            if (mark > n) { print "FAIL no update mark in the trace"; exit }
            for (first = mark - 1; first > 0 && !(command[first] == 21 && address[first] == "0000"); first--) {}
            if (first == 0) { print "FAIL no backup read of address 0 before the mark"; exit }
            for (i = first; i < mark; i++) {
                if (command[i] != 21) { print "FAIL request " (i - first) " of the backup has command " command[i]; exit }
                if (i > first && address[i] < address[i - 1]) {
                    print "FAIL the backup read went back from 0x" address[i - 1] " to 0x" address[i]; exit
                }
            }
            if (address[mark - 1] != "07FF") { print "FAIL the last read before the mark was at 0x" address[mark - 1]; exit }
            print "ok the " (mark - first) " requests from the backup'"'"'s first read to the mark are reads of 0x000..0x7FF in order"
        }' "$trace")
    echo "$verdict"
    [[ $verdict == ok* ]] || exit 1
}

# 9. The settings backup inside the click takes seconds: meanwhile the system never takes the
# window for hung, it answers every probe within a second, Pr1 moves, and nothing else of the
# program (a poll, a device change) runs before the click is over.
scenario_backup_keeps_window_alive() {
    # A millisecond per transfer, about what the instrument takes: the click then lasts longer
    # than the 5 s after which the system calls a window hung.
    start_on_instrument alive 12 C1.28 state=1 latency=1
    # The keyboard leaves during the backup: the device change must wait for the loop, and then
    # announce the instrument once more below the backup's lines.
    (sleep 3 && driver sim unplug-keyboard >/dev/null) &
    local unplugger=$!
    driver watch-backup 90000
    wait "$unplugger" || fail "the keyboard could not be unplugged during the backup"
    driver wait-progress 1 60000 >/dev/null
    expect_only_backup_reads_before_mark
    local lines
    lines=$(driver lines)
    [ "$(sed -n 2p <<<"$lines")" = "Настройки прибора сохранены в" ] || fail "the backup's lines are not next: $lines"
    [ "$(grep -c "^Пинцет ЖР-12 подключен$" <<<"$lines")" = 2 ] || fail "the device change was not announced once after the backup: $lines"
    echo "ok the device change was handled after the click"
    close_program
}

# Until the log ends with the success line; fails as soon as the upload has stood still for five
# seconds without it.
await_success() {  # seconds
    local chunks="" last="" still=0
    for _ in $(seq "$1"); do
        if driver last-line success 0 >/dev/null; then
            echo "ok the log ends with the success line"
            return 0
        fi
        chunks=$(driver sim sent 23)
        if [ "$chunks" = "$last" ]; then still=$((still + 1)); else still=0; last=$chunks; fi
        [ "$still" -lt 5 ] || fail "the upload stopped at \"$chunks\" chunks: $(driver sim state); the log: $(driver lines | tr '\n' '|')"
        sleep 1
    done
    fail "no success line within $1 s"
}

# 10. A write's box of a model-12 finalisation stays open while the user unplugs the instrument,
# plugs in a model 14 and starts its update from inside the box's loop; about 600 chunks later
# the old box is closed. The suspended finalisation must leave the new instrument alone.
scenario_box_left_open_during_swap() {
    # Firmware older than 1.01 gets every model-12 cell and calibration number written.
    start_on_instrument boxopen 12 C1.00 state=1
    driver click B1
    driver wait-progress 10 120000 >/dev/null
    # The update mark is written: the next write is the finalisation's first cell, whose echo is
    # wrong four times, and its box "Ошибка записи" opens.
    expect_reply '^ok$' corrupt-echo 3 4 20
    local box
    box=$(driver find-messagebox "" write-error 120000) || fail "no write error box: $box"
    echo "ok the finalisation's box is open"
    driver sim unplug-instrument >/dev/null
    driver wait-line disconnected12 >/dev/null
    driver sim plug-instrument model=14 version=D0.99 state=1 >/dev/null
    dump_instrument before14
    driver wait-text Label1 current-version:D0.99 5000 >/dev/null
    driver wait-enabled B1 1 5000 >/dev/null
    echo "ok a model 14 with D0.99 identified while the box is open"
    driver click B1
    # Pr1 cannot tell: the new update's backup moves it at the upload's maximum already.
    local chunks=0 reply
    for _ in $(seq 600); do
        reply=$(driver sim sent 23) || fail "chunks sent: $reply"
        chunks=${reply#ok }
        [ "$chunks" -lt 600 ] || break
        sleep 0.2
    done
    [ "$chunks" -ge 600 ] || fail "the new upload sent only $chunks chunks"
    driver press-ok "$box" || fail "the old box would not close"
    echo "ok the old box closed after $chunks chunks of the new upload"
    await_success 120
    driver wait-text Label1 current-version:D1.14 3000 >/dev/null
    dump_instrument after
    update_files check-flash "$source_dir/update/images/firmware-14.bin" "$control_dir/after/flash.bin" || exit 1
    expect_reply '^ok plugged=1 model=14 version=D1.14 ' state
    expect_reply '^ok 0x1$' peek 0x3FF
    expect_reply '^ok 1$' sent 25
    local cells
    for cells in 0x308:0x327 0x345:0x345 0x34E:0x34E 0x398:0x39C 0x490:0x493; do
        local first=${cells%%:*} last=${cells#*:} was now
        was=$(memory_bytes "$control_dir/before14/memory.bin" "$first" "$last")
        now=$(memory_bytes "$control_dir/after/memory.bin" "$first" "$last")
        [ "$was" = "$now" ] || fail "the model 14's cells $first..$last went from$was to$now"
    done
    echo "ok the model 14's memory holds none of the model-12 finalisation's cells"
    close_program
}

# The port's KeepResponsive on its own: a long handler that calls it runs no other handler.
scenario_keep_responsive_port() {
    "$wine" "$bin_dir/zrkeepresponsive.exe" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}
