# TARN2K refuses a file placed by extended linear addresses. When the drive
# refuses a download block: the sense box, the log ends with "Start update !",
# the drive is closed and the list rebuilt, and the trace shows no programming
# command after the refusal. Then a drive whose memory reads back different:
# the failed verification.
e2e_require TARN2K.EXE make_firmware.exe
e2e_install TARN2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "fault=refuse_block 2 sense=05/24/00" "letter=E 0 0"
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)
linear=$(e2e_make_hex LINEAR.HEX revision=1.20 linear=1)
check_ok "letter E set up with the server" e2e_drive_letters E

T="Firmware Update Utility for Win2000/XP"
CONFIRM="Confirmation of update"
e2e_start TARN2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
# First a file placed by extended linear addresses: refused, nothing written.
probe click "$T" "$IDC_FILE"
probe open-file "$linear"
probe sync "$T"
check_has "the linear-address file is refused" "Unsupported extended linear address in line 4098." "$(ptext "$T" "$IDC_STATUS")"
probe click "$T" "$IDC_UPDATE"
probe sync "$T"
check_has "Update refuses it" "This file is not available." "$(ptext "$T" "$IDC_STATUS")"
check_ok "no confirmation window for it" probe wait-gone "$CONFIRM" 1000
check_eq "nothing was written for it" "" "$(e2e_trace | grep 'cdb=3b')"
probe click "$T" "$IDC_FILE"
probe open-file "$hex"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 15000
probe click "$CONFIRM" "$IDOK"
check_eq "the sense box" $'TARN2K\nSense Code : 05-24-00' "$(probe msgbox ok 30000)"
probe sync "$T"
pget log text "$T" "$IDC_STATUS"
check_eq "the log ends with the start line" $'Start update !\r\n' "${log: -16}"
check_eq "the list is rebuilt" "E: KESTREL DVD-ROM DRV-320  1.10" "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
trace=$(e2e_trace)
refusal=$(grep -n 'cdb=3b 01 ff 01 00 00 00 80 00 00 .*status=check sense=05/24/00' <<<"$trace" | cut -d: -f1)
check_ok "the third block was refused" test -n "$refusal"
after=$(tail -n +"${refusal:-1}" <<<"$trace")
check_ok "sense fetched with REQUEST SENSE, 2 s, no automatic sense" \
  grep -q 'cdb=03 .*status=good timeout=2s sense_len=0' <<<"$after"
check_eq "no block and no programming command after the refusal" "" \
  "$(tail -n +2 <<<"$after" | grep 'cdb=3b')"
check_has "the list was rebuilt by INQUIRY" "cdb=12 00 00 00 60 00" "$after"
e2e_shot tarn2k-refused-block-en
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN2K.EXE 15000
e2e_stop_all

# A read-back difference, in a fresh set-up of the same letter.
rm -f "$(e2e_dir)/kestrel-sim.trace" "$(e2e_dir)/kestrel-sim.state"
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "fault=readback_differs 2345" "letter=E 0 0"
check_ok "letter E set up again" e2e_drive_letters E
e2e_start TARN2K.EXE
check_ok "window appears again" probe wait-window "$T" 30000
probe click "$T" "$IDC_FILE"
probe open-file "$hex"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 15000
probe click "$CONFIRM" "$IDOK"
pget log wait-text "$T" "$IDC_STATUS" "Update operation" 70000
check_has "the difference is reported" \
  $'Start update !\r\nFailed to verify new firmware.\r\nUpdate operation failed.\r\n' "$log"
check_has "the image was read back" "cdb=3c 01 80 00 00 00 00 80 00 00" "$(e2e_trace)"
e2e_shot tarn2k-readback-en
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN2K.EXE 15000
