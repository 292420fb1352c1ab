# A read-back block that ends with good status but brings no data: the
# verification fails instead of comparing the image with itself.
e2e_require TARN9X.EXE WNASPI32.DLL make_firmware.exe
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini "adapter=intelata" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "fault=readback_empty 2"
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)

T="Firmware Version-Up Utility for Windows9x/Me"
e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
probe click "$T" "$IDC_FILE"
probe open-file "$hex"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "Confirmation of update" 10000
probe click "Confirmation of update" "$IDOK"
pget log wait-text "$T" "$IDC_STATUS" "Update operation" 60000
check_has "the empty block fails the verification" \
  $'Start update !\r\nFailed to verify new firmware.\r\nUpdate operation failed.\r\n' "$log"
check_eq "all four read-back blocks were asked for" 5 "$(e2e_trace | grep -c 'cdb=3c')"
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000
