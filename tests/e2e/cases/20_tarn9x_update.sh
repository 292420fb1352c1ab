# A whole firmware update with TARN9X on the simulated drive: load a file
# through the Open dialog, confirm, the 30-second programming wait, the
# verification, and a restart that lists the drive's new revision.
e2e_require TARN9X.EXE WNASPI32.DLL make_firmware.exe
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)
check_ok "firmware file written" test -s "$hex"

T="Firmware Version-Up Utility for Windows9x/Me"
CONFIRM="Confirmation of update"
PROGRESS="Now processing...."

e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000

probe click "$T" "$IDC_FILE"
check_ok "the Open dialog takes the file" probe open-file "$hex"
probe sync "$T"
pget log text "$T" "$IDC_STATUS"
check_eq "log after the load" \
  "File Name : $(winepath_of "$hex")"$'\r\nF/W file load success.\r\nFirmware File Type : ATAPI TRAY KESTREL Model\r\nVersion : 1.20\r\n' \
  "$log"
check_eq "file name field" "$(winepath_of "$hex")" "$(ptext "$T" "$IDC_FILE_NAME")"
check_eq "information field" "KESTREL  DVD-ROM DRV-320  1.20  2004/01/15" "$(ptext "$T" "$IDC_FILE_INFO")"

probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 10000
check_eq "question" "Do you want to update the firmware of selected drive ?" "$(ptext "$CONFIRM" "$IDC_CONFIRM_MESSAGE")"
check_eq "From: the drive's firmware" "KESTREL DVD-ROM DRV-320  1.10  2003/05/12" "$(ptext "$CONFIRM" "$IDC_CONFIRM_OLD_FIRMWARE")"
check_eq "To: the file's firmware" "KESTREL DVD-ROM DRV-320  1.20  2004/01/15" "$(ptext "$CONFIRM" "$IDC_CONFIRM_NEW_FIRMWARE")"
check_has "warning text" $'Auto insert notification",\r\nwhen remaining time become about 20sec' "$(ptext "$CONFIRM" "$IDC_CONFIRM_WARNING")"
check_eq "nothing written before the confirmation" "" "$(e2e_trace | grep 'cdb=3b')"
e2e_shot tarn9x-confirm-en
probe click "$CONFIRM" "$IDOK"

check_ok "progress window" probe wait-window "$PROGRESS" 20000
label=$(probe wait-text "$PROGRESS" "$IDC_PROGRESS_LABEL" "Remaining time to complete about 2" 20000)
check_has "countdown in the progress window" "Remaining time to complete about 2" "$label"
e2e_shot tarn9x-progress-en
pget log wait-text "$T" "$IDC_STATUS" "Update operation" 60000
check_has "update succeeded" \
  $'Start update !\r\nSuccess to verify new firmware.\r\nUpdate operation completed successfully.\r\n' "$log"
check_ok "progress window closed" probe wait-gone "$PROGRESS" 5000
check_has "the image went out in WRITE BUFFER commands" "cdb=3b" "$(e2e_trace)"
check_has "the drive was read back" "cdb=3c" "$(e2e_trace)"
e2e_shot tarn9x-updated-en

probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000
check_has "the sim keeps the new firmware" "identity $(printf '1.20' | od -An -tx1 | tr -d ' \n')" \
  "$(cat "$(e2e_dir)/kestrel-sim.state" 2>/dev/null)"

e2e_start TARN9X.EXE
check_ok "restarted" probe wait-window "$T" 20000
check_has "a restart lists the new revision" \
  "ID=0 : KESTREL DVD-ROM DRV-320  1.20  2004/01/15" "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
probe click "$T" "$IDC_EXIT"
probe wait-exit TARN9X.EXE 15000
