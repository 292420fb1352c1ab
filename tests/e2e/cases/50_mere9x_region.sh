# MERE9X in English on the simulated drive: the start-up report of a drive
# that never had a region with a CSS disc for regions 1 and 3, a change to
# region 3 (no readiness test, one SEND KEY), Set Region once more with the
# drive's own region (nothing sent, nothing spent), a change to region 1, the
# drive's state kept over a restart, and for a drive with no region and no
# disc the "Attention" box, whose Cancel sends nothing more.
e2e_require MERE9X.EXE WNASPI32.DLL
e2e_install MERE9X.EXE WNASPI32.DLL
drive='target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"'
e2e_sim_ini "adapter=atapi" "$drive" "disc=css" "disc_rmi=FA"
T="Region Utility for Windows9x/Me"
REGIONS=("$IDC_REGION_1" "$IDC_REGION_2" "$IDC_REGION_3" "$IDC_REGION_4" "$IDC_REGION_5" "$IDC_REGION_6")
DISCS=("$IDC_DISC_REGION_1" "$IDC_DISC_REGION_2" "$IDC_DISC_REGION_3" "$IDC_DISC_REGION_4" "$IDC_DISC_REGION_5" "$IDC_DISC_REGION_6")
states() { probe buttons "$T" "$@" | tr '\n' ' '; }

e2e_start MERE9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "This disc" 15000
check_eq "start-up report: drive line, then the disc's regions" \
  $'Drive has no region.\r\nThis disc is allowed region 1 3\r\n' "$log"
check_eq "heading" "DVD-ROM Region Utility for Windows9x/Me" "$(ptext "$T" "$IDC_REGION_HEADING")"
check_eq "the drive is listed and selected" "ID=0 : KESTREL DVD-ROM DRV-320  " "$(ptext "$T" "$IDC_REGION_DRIVE_LIST")"
check_eq "count label" "Regional code can be changed 5time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "no region yet: all six region buttons enabled, none checked" \
  "1002 10 1008 10 1009 10 1010 10 1011 10 1012 10 " "$(states "${REGIONS[@]}")"
check_eq "disc boxes 1 and 3 enabled and checked" \
  "1007 11 1013 00 1014 11 1015 00 1016 00 1017 00 " "$(states "${DISCS[@]}")"
e2e_shot mere9x-start-en

probe syscommand "$T" 16
check_ok "About box" probe wait-window "About MERE9X" 10000
check_eq "About's version line" "Region Setting Utility Version 1.03" "$(ptext "About MERE9X" "$IDC_MERE9X_ABOUT_VERSION")"
probe click "About MERE9X" "$IDOK"
probe wait-gone "About MERE9X" 10000

probe click "$T" "$IDC_REGION_3"
probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" "Drive's region is 3." 15000
check_has "the change succeeds and the report shows region 3" \
  $'Success to set regional code.\r\nDrive\'s region is 3.\r\nThis disc is allowed region 1 3\r\n' "$log"
check_eq "one change fewer" "Regional code can be changed 4time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "region 3 checked; region 1 still allowed by the disc" \
  "1002 10 1008 00 1009 11 1010 00 1011 00 1012 00 " "$(states "${REGIONS[@]}")"
trace=$(e2e_trace)
check_eq "one SEND KEY, Set RPC Structure with 8 bytes out" 1 \
  "$(grep -c 'cdb=a3 00 00 00 00 00 00 00 00 08 06 00 dir=out len=8' <<<"$trace")"
check_lacks "a never-set drive gets no TEST UNIT READY" "cdb=00 00 00 00 00 00" "$trace"
e2e_shot mere9x-changed-en

probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" $'changed.\r\nDrive\'s region is 3.\r\nThis disc' 15000
check_has "the drive's own region: our line, then the report" \
  $'Drive\'s region is already 3. Regional code is not changed.\r\nDrive\'s region is 3.\r\nThis disc is allowed region 1 3\r\n' "$log"
check_eq "the count unchanged" "Regional code can be changed 4time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "still one SEND KEY" 1 "$(e2e_trace | grep -c 'cdb=a3 ')"
probe click "$T" "$IDC_REGION_1"
probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" $'region is 1.\r\nThis disc' 15000
check_has "another region still changes" \
  $'Success to set regional code.\r\nDrive\'s region is 1.\r\n' "$log"
check_eq "one change fewer again" "Regional code can be changed 3time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "a second SEND KEY" 2 "$(e2e_trace | grep -c 'cdb=a3 ')"
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000

# The disc taken out; the drive keeps its region and count.
e2e_sim_ini "adapter=atapi" "$drive" "disc=none"
e2e_start MERE9X.EXE
check_ok "window appears again" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "disc region" 15000
check_eq "the changes survived the restart" \
  $'Drive\'s region is 1.\r\nGet disc region is failed.\r\n' "$log"
check_eq "still two changes fewer" "Regional code can be changed 3time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000

# A drive that has no region but has spent a change, and no disc.
rm -f "$(e2e_dir)/kestrel-sim.state"
e2e_sim_ini "adapter=atapi" "$drive" "disc=none" "rpc_changes=4"
e2e_start MERE9X.EXE
check_ok "window appears a third time" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "disc region" 15000
check_eq "no region, four changes" "Regional code can be changed 4time(s)" "$(ptext "$T" "$IDC_REGION_COUNT")"
probe click "$T" "$IDC_REGION_2"
probe click "$T" "$IDC_SET_REGION"
probe msgbox none 15000 >/dev/null  # the box is up for its screenshot
e2e_shot mere9x-attention-en
check_eq "no disc: the Attention box" \
  $'Attention\nDisc is not present !\r\nPlease insert approproiate disc' "$(probe msgbox cancel 15000)"
pget log wait-text "$T" "$IDC_REGION_LOG" "canceled" 15000
check_has "Cancel logs the cancel line, then the report" \
  $'Operation is canceled.\r\nDrive has no region.\r\nGet disc region is failed.\r\n' "$log"
check_eq "no SEND KEY after the Cancel" 2 "$(e2e_trace | grep -c 'cdb=a3 ')"
check_has "the readiness test was sent" "cdb=00 00 00 00 00 00" "$(e2e_trace)"
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000
