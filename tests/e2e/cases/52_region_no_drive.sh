# No drive of the maker: MERE9X with only another maker's DVD drive shows its
# box and ends; MERE2K with no drive letter stays open with an empty list.
e2e_require MERE9X.EXE MERE2K.EXE WNASPI32.DLL
e2e_install MERE9X.EXE MERE2K.EXE WNASPI32.DLL
e2e_sim_ini "adapter=atapi" \
  'target=0 other vendor="PIONEER " product="DVD-ROM DVD-106" rev=1.00 type=5'

e2e_start MERE9X.EXE
check_eq "MERE9X: the not-found box" \
  $'Supported drive did not found\nSupported drive was not found.' "$(probe msgbox ok 20000)"
check_ok "MERE9X ends after its box" probe wait-exit MERE9X.EXE 15000

T="Region Utility for Windows2000"
e2e_start MERE2K.EXE
check_ok "MERE2K's window stays open" probe wait-window "$T" 30000
check_eq "empty list" "" "$(probe combo-items "$T" "$IDC_REGION_DRIVE_LIST")"
check_eq "the template's count label" "Regional code can can be changed 5 times" "$(ptext "$T" "$IDC_REGION_COUNT")"
probe click "$T" "$IDC_GET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" "valid item" 10000
check_eq "Get Region with nothing selected" "Don't select the valid item." "$log"
e2e_shot mere2k-no-drive-en
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE2K" probe wait-exit MERE2K.EXE 15000
