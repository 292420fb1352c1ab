# MERE2K in English on a simulated drive letter with a CSS disc for regions 1
# and 4: the start-up report, a change on a never-set drive (no readiness
# test), Set Region once more with the drive's own region (nothing sent,
# nothing spent), then a change to region 1. Every report and change opens the letter
# (the server sees the address asked for on each open) and uses the
# pass-through time-outs: 5 s for the region commands, 2 s for the test.
e2e_require MERE2K.EXE
e2e_install MERE2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "disc=css" "disc_rmi=F6" "letter=E 0 0"
check_ok "letter E set up with the server" e2e_drive_letters E
T="Region Utility for Windows2000"
opens() { e2e_trace | grep -c '^address L=E'; }

e2e_start MERE2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
pget log wait-text "$T" "$IDC_REGION_LOG" "This disc" 15000
check_eq "start-up report" $'Drive has no region.\r\nThis disc is allowed region 1 4\r\n' "$log"
check_eq "the letter is listed and selected" "E: KESTREL DVD-ROM DRV-320 " "$(ptext "$T" "$IDC_REGION_DRIVE_LIST")"
check_eq "count label" "Regional code can be changed 5time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
trace=$(e2e_trace)
check_has "REPORT KEY with 5 s and 18 sense bytes" \
  "cdb=a4 00 00 00 00 00 00 00 00 08 08 00 dir=in len=8 moved=8 status=good timeout=5s sense_len=18" "$trace"
check_eq "discovery and the start-up report each opened E" 2 "$(opens)"
e2e_shot mere2k-start-en

probe syscommand "$T" 16
check_ok "About box" probe wait-window "About MERE2K" 10000
check_eq "About's version line" "Region Setting Utility Version 1.03" "$(ptext "About MERE2K" "$IDC_MERE2K_ABOUT_VERSION")"
probe click "About MERE2K" "$IDOK"
probe wait-gone "About MERE2K" 10000

probe click "$T" "$IDC_REGION_4"
probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" $'region is 4.\r\nThis disc' 15000
check_has "change on a never-set drive" \
  $'Success to set regional code.\r\nDrive\'s region is 4.\r\nThis disc is allowed region 1 4\r\n' "$log"
check_eq "one change fewer" "Regional code can be changed 4time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
trace=$(e2e_trace)
check_has "SEND KEY with 5 s" "cdb=a3 00 00 00 00 00 00 00 00 08 06 00 dir=out len=8 moved=8 status=good timeout=5s sense_len=18" "$trace"
check_lacks "no readiness test for a never-set drive" "cdb=00 00 00 00 00 00" "$trace"
check_eq "the change and its report each opened E" 4 "$(opens)"

probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" $'changed.\r\nDrive\'s region is 4.\r\nThis disc' 15000
check_has "the drive's own region: our line, then the report" \
  $'Drive\'s region is already 4. Regional code is not changed.\r\nDrive\'s region is 4.\r\nThis disc is allowed region 1 4\r\n' "$log"
check_eq "the count unchanged" "Regional code can be changed 4time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
trace=$(e2e_trace)
check_eq "no second SEND KEY" 1 "$(grep -c 'cdb=a3 ' <<<"$trace")"
check_lacks "and no readiness test" "cdb=00 00 00 00 00 00" "$trace"
check_eq "the attempt and its report each opened E" 6 "$(opens)"
e2e_shot mere2k-already-en

probe click "$T" "$IDC_REGION_1"
probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" $'region is 1.\r\nThis disc' 15000
check_has "another region still changes" \
  $'Success to set regional code.\r\nDrive\'s region is 1.\r\nThis disc is allowed region 1 4\r\n' "$log"
check_eq "one change fewer again" "Regional code can be changed 3time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
trace=$(e2e_trace)
check_has "TEST UNIT READY with 2 s" "cdb=00 00 00 00 00 00 dir=none" "$trace"
check_has "TEST UNIT READY's time-out" "timeout=2s sense_len=18" "$(grep 'cdb=00 00 00 00 00 00' <<<"$trace")"
check_eq "a second SEND KEY" 2 "$(grep -c 'cdb=a3 ' <<<"$trace")"
check_eq "the change and its report each opened E" 8 "$(opens)"
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE2K" probe wait-exit MERE2K.EXE 15000
