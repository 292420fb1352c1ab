# A whole firmware update with TARN2K through Wine's pass-through: confirm,
# the programming command awaited, the continuous 30-second wait, the
# verification, the drive closed and the list rebuilt with the new revision.
e2e_require TARN2K.EXE make_firmware.exe
e2e_install TARN2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "letter=E 0 0"
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)
check_ok "firmware file written" test -s "$hex"
check_ok "letter E set up with the server" e2e_drive_letters E

T="Firmware Update Utility for Win2000/XP"
CONFIRM="Confirmation of update"
PROGRESS="Now processing..."

e2e_start TARN2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
check_eq "the drive is listed" "E: KESTREL DVD-ROM DRV-320  1.10" "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
probe click "$T" "$IDC_FILE"
check_ok "the Open dialog takes the file" probe open-file "$hex"
probe sync "$T"
check_eq "information field: the text as found in the file" "KESTREL DVD-ROM DRV-320 1.20 2004/01/15" "$(ptext "$T" "$IDC_FILE_INFO")"

probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 15000
check_eq "From: the drive's firmware" "KESTREL DVD-ROM DRV-320  1.10  2003/05/12" "$(ptext "$CONFIRM" "$IDC_CONFIRM_OLD_FIRMWARE")"
check_eq "To: the file's firmware" "KESTREL DVD-ROM DRV-320  1.20  2004/01/15" "$(ptext "$CONFIRM" "$IDC_CONFIRM_NEW_FIRMWARE")"
check_eq "nothing written before the confirmation" "" "$(e2e_trace | grep 'cdb=3b')"
probe click "$CONFIRM" "$IDOK"

label=$(probe wait-text "$PROGRESS" "$IDC_PROGRESS_LABEL" "Remaining time to complete about 2" 30000)
check_has "countdown in the progress window" "Remaining time to complete about 2" "$label"
e2e_shot tarn2k-progress-en
pget log wait-text "$T" "$IDC_STATUS" "Update operation" 60000
check_has "update succeeded" \
  $'Start update !\r\nSuccess to verify new firmware.\r\nUpdate operation completed successfully.\r\n' "$log"
check_ok "progress window closed" probe wait-gone "$PROGRESS" 10000
check_eq "the list is rebuilt with the new revision" "E: KESTREL DVD-ROM DRV-320  1.20" \
  "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
trace=$(e2e_trace)
check_has "WRITE BUFFER with the 5-second time-out, no automatic sense" \
  "cdb=3b 01 ff 00 00 00 00 80 00 00 dir=out len=32768 moved=32768 status=good timeout=5s sense_len=0" "$trace"
check_has "the programming command was awaited to its end" \
  "cdb=3b 01 42 00 00 00 00 00 00 00 dir=none len=0 moved=0 status=good ends=+3000ms timeout=5s" "$trace"
check_has "the read-back with the 5-second time-out" \
  "cdb=3c 01 80 01 80 00 00 80 00 00 dir=in len=32768 moved=32768 status=good timeout=5s sense_len=0" "$trace"
after=$(sed -n '/cdb=3c 01 80 01 80 00/,$p' <<<"$trace" | grep -c 'cdb=12 .*timeout=2s sense_len=18')
check_ok "the list was rebuilt by INQUIRY after the read-back" test "$after" -ge 1
e2e_shot tarn2k-updated-en
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN2K.EXE 15000
check_has "the server keeps the new firmware" "identity $(printf '1.20' | od -An -tx1 | tr -d ' \n')" \
  "$(cat "$(e2e_dir)/kestrel-sim.state" 2>/dev/null)"
