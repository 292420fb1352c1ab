# BECK2K, the speed utility over pass-through: with no drive letter of the
# maker it tells the user and ends; on a simulated drive letter Drive
# Information, Set speed with 8X and Set mode with the safety question each
# open the drive and close it again at their end.
e2e_require BECK2K.EXE
e2e_install BECK2K.EXE

T="Speed Control Utility"

e2e_start BECK2K.EXE
check_eq "BECK2K without a drive" $'Initialize Error\nSupported drive was not found.\r' \
  "$(probe msgbox ok 30000)"
check_ok "BECK2K ends" probe wait-exit BECK2K.EXE 15000

e2e_sim_ini "adapter=atapi" 'target=0 kestrel model=DRV-320 rev=1.10' "letter=E 0 0" \
  "medium=cd" "spindown_ms=3000"
check_ok "letter E set up with the server" e2e_drive_letters E
device=$WINEPREFIX/dosdevices/e::
# Descriptors of any process (the program, the Wine server) open on E's device.
opened_e() {
  local fd count=0
  for fd in /proc/[0-9]*/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$device" ] && count=$((count + 1))
  done
  echo "$count"
}

e2e_start BECK2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
check_has "the drive of letter E is listed and selected" "E: KESTREL DVD-ROM DRV-320" \
  "$(ptext "$T" "$IDC_SPEED_DRIVE_LIST")"
check_eq "discovery closed the drive again" 0 "$(opened_e)"
e2e_shot beck2k-en

: >"$(e2e_dir)/kestrel-sim.trace"
probe click "$T" "$IDC_DRIVE_INFORMATION"
pget log wait-text "$T" "$IDC_SPEED_LOG" "Maximum Speed =" 20000
check_has "Drive Information: the mode line and both speed lines" \
  $'Now drive is the performance mode.\r\n\r\nCurrent Speed = ' "$log"
check_has "MODE SENSE went to letter E" "L=E cdb=5a" "$(e2e_trace)"
probe sync "$T"
check_eq "closed after Drive Information" 0 "$(opened_e)"
check_eq "Drive Information opened the drive once" 1 "$(e2e_trace | grep -c '^address L=E')"

probe combo-select "$T" "$IDC_SPEED_LIST" 2
probe click "$T" "$IDC_SET_SPEED"
pget log wait-text "$T" "$IDC_SPEED_LOG" "(8X)" 20000
check_has "Set speed with 8X" \
  $'CD-DA extraction speed is changed successfully.\r\nSpeed : 1408kbytes/s (8X).\r\n' "$log"
check_has "SET CD SPEED went to letter E" "L=E cdb=bb 00 05 80" "$(e2e_trace)"
probe sync "$T"
check_eq "closed after Set speed" 0 "$(opened_e)"
check_eq "Set speed opened the drive once" 2 "$(e2e_trace | grep -c '^address L=E')"

probe combo-select "$T" "$IDC_MODE_LIST" 3
probe click "$T" "$IDC_SET_MODE" &
clicked=$!
pget box msgbox none 20000
check_eq "safety question" $'Attention\nFor safety, the spindle is stoped.' "$box"
check_ok "the drive is open while Set mode runs" test "$(opened_e)" -ge 1
probe msgbox ok >/dev/null
check_ok "the window answers while the spindle stops" probe sync "$T"
e2e_shot beck2k-spindown-en
probe click "$T" "$IDC_DRIVE_INFORMATION"
pget log wait-text "$T" "$IDC_SPEED_LOG" "quiet mode" 30000
wait "$clicked"
check_has "the mode change is logged" $'Drive mode is changed to the quiet mode.\r\n' "$log"
probe sync "$T"
check_lacks "Drive Information pressed during the stop did nothing" \
  "Now drive is the quiet mode." "$(ptext "$T" "$IDC_SPEED_LOG")"
check_has "START STOP UNIT went to letter E" "L=E cdb=1b" "$(e2e_trace)"
probe sync "$T"
check_eq "closed after Set mode" 0 "$(opened_e)"
check_eq "Set mode opened the drive once" 3 "$(e2e_trace | grep -c '^address L=E')"
e2e_shot beck2k-log-en
probe click "$T" "$IDC_SPEED_EXIT"
check_ok "Exit ends the program" probe wait-exit BECK2K.EXE 15000
