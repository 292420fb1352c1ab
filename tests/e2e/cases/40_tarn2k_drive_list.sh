# TARN2K's discovery over the letters D to Z on the simulated drive behind
# Wine's pass-through: of another maker's DVD drive, the maker's CD-ROM drive
# and the Kestrel DVD drive, only the last is listed; each letter got one
# INQUIRY with the transport's 2-second time-out and 18 sense bytes.
e2e_require TARN2K.EXE
e2e_install TARN2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 other vendor="PIONEER " product="DVD-ROM DVD-106" rev=1.00 type=5' \
  'target=1 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  'target=2 other vendor="KESTREL " product="CD-ROM CRN-520" rev=2.00 type=5' \
  "letter=D 0 0" "letter=F 0 1" "letter=H 0 2"
check_ok "letters D, F and H set up with the server" e2e_drive_letters D F H

T="Firmware Update Utility for Win2000/XP"
e2e_start TARN2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
check_eq "only the Kestrel DVD drive is listed" "F: KESTREL DVD-ROM DRV-320  1.10" \
  "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
check_eq "and selected" "F: KESTREL DVD-ROM DRV-320  1.10" "$(ptext "$T" "$IDC_DRIVE_LIST")"
trace=$(e2e_trace)
for letter in D F H; do
  check_has "INQUIRY of $letter: with 2 s and 18 sense bytes" \
    "L=$letter cdb=12 00 00 00 60 00 dir=in len=96 moved=96 status=good timeout=2s sense_len=18" "$trace"
done
check_eq "one INQUIRY per letter, nothing else" 3 "$(grep -c '^cmd ' <<<"$trace")"
e2e_shot tarn2k-drive-list-en
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN2K.EXE 15000
