# BECK9X on the simulated drive, in English and in Japanese: its window and
# lists, Help and About, Drive Information, Set speed with 8X, Set mode with
# the safety question while the spindle stops (the window keeps answering
# and a button pressed meanwhile starts nothing), a failed speed change, and
# a disc just inserted (unit attentions, then becoming ready): tested again,
# then the safety question all the same.
e2e_require BECK9X.EXE WNASPI32.DLL
e2e_install BECK9X.EXE WNASPI32.DLL
e2e_sim_ini "medium=cd" "spindown_ms=4000"

T="Speed Control Utility"
ABOUT="About Speed Control Utility"
SPEEDS=$'Maximum Speed\n4X\n8X\n10X\n12X\n16X'

# --- English --------------------------------------------------------------------
e2e_start BECK9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
check_eq "the drive list holds the simulated drive, selected" \
  "$(probe combo-items "$T" "$IDC_SPEED_DRIVE_LIST")" "$(ptext "$T" "$IDC_SPEED_DRIVE_LIST")"
check_has "the drive entry" "KESTREL DVD-ROM DRV-320" "$(ptext "$T" "$IDC_SPEED_DRIVE_LIST")"
check_eq "speed list" "$SPEEDS" "$(probe combo-items "$T" "$IDC_SPEED_LIST")"
check_eq "mode list in English" \
  $'Performance Mode (Permanent)\nPerformance Mode (Temporary)\nQuiet Mode (Permanent)\nQuiet Mode (Temporaty)' \
  "$(probe combo-items "$T" "$IDC_MODE_LIST")"
check_eq "first speed selected" "Maximum Speed" "$(ptext "$T" "$IDC_SPEED_LIST")"
check_eq "first mode selected" "Performance Mode (Permanent)" "$(ptext "$T" "$IDC_MODE_LIST")"
check_eq "English label 1011" "Audio Extraction Speed" "$(ptext "$T" "$IDC_SPEED_LABEL")"
check_eq "English button 1008" "Drive Information" "$(ptext "$T" "$IDC_DRIVE_INFORMATION")"
check_has "system menu: Help then About" \
  $'SEP\n0020\t&Help Speed Control\nSEP\n0010\t&About BECK2K...\n' "$(probe sysmenu "$T"; printf x)"
e2e_shot beck9x-en

probe syscommand "$T" 0x20
check_eq "Help without a help file" $'Error\nHelp file is not found.\r' "$(probe msgbox ok)"
probe syscommand "$T" 0x10
check_ok "About box opens" probe wait-window "$ABOUT" 10000
check_eq "About version" "Speed Control Utility Version 1.03" "$(ptext "$ABOUT" "$IDC_SPEED_ABOUT_VERSION")"
e2e_shot beck9x-about-en
probe click "$ABOUT" "$IDOK"
check_ok "About box closes with OK" probe wait-gone "$ABOUT" 10000

probe click "$T" "$IDC_DRIVE_INFORMATION"
pget log wait-text "$T" "$IDC_SPEED_LOG" "Maximum Speed =" 20000
check_has "Drive Information: the mode line and both speed lines" \
  $'Now drive is the performance mode.\r\n\r\nCurrent Speed = ' "$log"
check_has "maximum speed line" $'Maximum Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n' "$log"

probe combo-select "$T" "$IDC_SPEED_LIST" 2
probe click "$T" "$IDC_SET_SPEED"
pget log wait-text "$T" "$IDC_SPEED_LOG" "(8X)" 20000
check_has "Set speed with 8X" \
  $'CD-DA extraction speed is changed successfully.\r\nSpeed : 1408kbytes/s (8X).\r\n' "$log"
check_has "SET CD SPEED with 1408 kbytes/s" "cdb=bb 00 05 80" "$(e2e_trace)"

probe combo-select "$T" "$IDC_MODE_LIST" 2
probe click "$T" "$IDC_SET_MODE" &
clicked=$!
check_eq "safety question" $'Attention\nFor safety, the spindle is stoped.' "$(probe msgbox ok 20000)"
check_ok "the window answers while the spindle stops" probe sync "$T"
e2e_shot beck9x-spindown-en
probe click "$T" "$IDC_DRIVE_INFORMATION"
pget log wait-text "$T" "$IDC_SPEED_LOG" "quiet mode" 30000
wait "$clicked"
check_has "the mode change is logged" $'Drive mode is changed to the quiet mode.\r\n' "$log"
probe sync "$T"
check_lacks "Drive Information pressed during the stop did nothing" \
  "Now drive is the quiet mode." "$(ptext "$T" "$IDC_SPEED_LOG")"
probe click "$T" "$IDC_DRIVE_INFORMATION"
check_ok "the drive reports the quiet mode now" probe wait-text "$T" "$IDC_SPEED_LOG" "Now drive is the quiet mode." 20000 >/dev/null
probe click "$T" "$IDC_SPEED_EXIT"
check_ok "Exit ends the program" probe wait-exit BECK9X.EXE 15000

# --- Japanese, and a speed change that fails ----------------------------------------------
e2e_sim_ini "medium=cd" "fault=fail opcode=BB"
e2e_lang ja
e2e_start BECK9X.EXE
check_ok "Japanese window keeps the English title" probe wait-window "$T" 20000
check_eq "Japanese label 1014" "対象となるドライブ" "$(ptext "$T" "$IDC_SPEED_TARGET_LABEL")"
check_eq "Japanese label 1011" "音楽CD抽出速度" "$(ptext "$T" "$IDC_SPEED_LABEL")"
check_eq "Japanese label 1015" "ドライブ動作モード" "$(ptext "$T" "$IDC_MODE_LABEL")"
check_eq "Japanese button 1003" "抽出速度設定" "$(ptext "$T" "$IDC_SET_SPEED")"
check_eq "Japanese button 1004" "動作モード設定" "$(ptext "$T" "$IDC_SET_MODE")"
check_eq "Japanese button 1008" "ドライブ情報" "$(ptext "$T" "$IDC_DRIVE_INFORMATION")"
check_eq "Japanese button 1009" "終了" "$(ptext "$T" "$IDC_SPEED_EXIT")"
check_eq "speed list stays English" "$SPEEDS" "$(probe combo-items "$T" "$IDC_SPEED_LIST")"
check_eq "mode list in Japanese" \
  $'パフォーマンスモード (恒久的）\nパフォーマンスモード (一時的）\n静穏モード (恒久的）\n静穏モード (一時的）' \
  "$(probe combo-items "$T" "$IDC_MODE_LIST")"
check_has "Japanese system menu" $'SEP\n0020\tヘルプ （&H）\nSEP\n0010\tBECK2Kについて(&A)\n' \
  "$(probe sysmenu "$T"; printf x)"
e2e_shot beck9x-ja

probe click "$T" "$IDC_DRIVE_INFORMATION"
check_ok "Japanese mode line (the quiet mode was kept)" probe wait-text "$T" "$IDC_SPEED_LOG" "ドライブは現在静穏モードです。" 20000 >/dev/null

probe combo-select "$T" "$IDC_SPEED_LIST" 2
probe click "$T" "$IDC_SET_SPEED" &
clicked=$!
pget box msgbox ok 20000
wait "$clicked"
check_eq "failure box caption" "Error" "${box%%$'\n'*}"
check_has "failure text, English in both languages" \
  "Failed to change the CD-DA extraction speed. (" "$box"
shown=${box#*$'\n'}
pget log wait-text "$T" "$IDC_SPEED_LOG" "Failed to change" 20000
check_has "the logged text is the shown one" "$shown" "$log"

probe combo-select "$T" "$IDC_MODE_LIST" 0
probe click "$T" "$IDC_SET_MODE" &
clicked=$!
check_eq "Japanese safety question" $'Attention\n安全のためディスクの回転を停止します。' "$(probe msgbox ok 20000)"
pget log wait-text "$T" "$IDC_SPEED_LOG" "パフォーマンスモードに変更" 30000
wait "$clicked"
check_has "Japanese mode change" "ドライブの動作モードはパフォーマンスモードに変更されました。" "$log"
e2e_shot beck9x-log-ja
probe click "$T" "$IDC_SPEED_EXIT"
check_ok "Exit ends the program" probe wait-exit BECK9X.EXE 15000

# --- A disc just inserted: Set mode asks before it stops anything -----------------
e2e_sim_ini "medium=cd" "fault=fail opcode=00 count=2 sense=06/28/00" \
  "fault=fail opcode=00 nth=3 sense=02/04/01"
rm -f "$(e2e_dir)/kestrel-sim.trace"  # this run's requests only
e2e_lang en
e2e_start BECK9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
probe combo-select "$T" "$IDC_MODE_LIST" 3
probe click "$T" "$IDC_SET_MODE" &
clicked=$!
check_eq "becoming ready: the safety question" $'Attention\nFor safety, the spindle is stoped.' \
  "$(probe msgbox cancel 20000)"
pget log wait-text "$T" "$IDC_SPEED_LOG" "caceled" 20000
wait "$clicked"
check_eq "Cancel: nothing stopped, nothing changed" $'Operation was caceled.\r\n' "$log"
trace=$(e2e_trace)
check_eq "each unit attention tested again at once" 2 \
  "$(grep -c 'cdb=00 00 00 00 00 00 .*sense=06/28/00' <<<"$trace")"
check_has "then becoming ready" "sense=02/04/01" "$(grep 'cdb=00 00 00 00 00 00' <<<"$trace")"
check_eq "the sense of each taken up with REQUEST SENSE" 3 "$(grep -c 'cdb=03 00 00 00 12 00' <<<"$trace")"
check_lacks "no START STOP UNIT" "cdb=1b " "$trace"
check_lacks "no mode change" "cdb=bb 01 " "$trace"
probe click "$T" "$IDC_SPEED_EXIT"
check_ok "Exit ends the program" probe wait-exit BECK9X.EXE 15000
