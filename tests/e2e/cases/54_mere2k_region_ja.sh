# MERE2K in Japanese on a simulated drive letter with no disc, on a drive
# with no region that has spent one change: the start-up report, then the
# Japanese "Attention" box with Cancel; each report and change opens the letter.
e2e_require MERE2K.EXE
e2e_install MERE2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "disc=none" "rpc_changes=4" "letter=E 0 0"
check_ok "letter E set up with the server" e2e_drive_letters E
T="Region Utility for Windows2000"
opens() { e2e_trace | grep -c '^address L=E'; }

e2e_lang ja
e2e_start MERE2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
pget log wait-text "$T" "$IDC_REGION_LOG" "取得に失敗" 15000
check_eq "Japanese start-up report" \
  $'ドライブのリージョンコードは未設定です.\r\nディスクのリージョンコードの取得に失敗しました。\r\n' "$log"
check_eq "Japanese count label" "リージョンコードはあと4回変更可能です。" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "Japanese Get Region" "リージョン取得" "$(ptext "$T" "$IDC_GET_REGION")"
check_eq "Japanese disc group" "このDVDディスクで視聴の許可されている地域" "$(ptext "$T" "$IDC_DISC_REGION_GROUP")"
check_eq "the heading stays English" "DVD-ROM Region Utility for Windows2000" "$(ptext "$T" "$IDC_REGION_HEADING")"
e2e_shot mere2k-start-ja

probe click "$T" "$IDC_REGION_6"
probe click "$T" "$IDC_SET_REGION"
probe msgbox none 15000 >/dev/null  # the box is up for its screenshot
e2e_shot mere2k-attention-ja
check_eq "Japanese Attention box" \
  $'注意\nディスクがありません\r\n適切なディスクを挿入してください。' "$(probe msgbox cancel 15000)"
pget log wait-text "$T" "$IDC_REGION_LOG" "中断" 15000
check_has "Japanese cancel line, then the report" \
  $'処理は中断されました。\r\nドライブのリージョンコードは未設定です.\r\n' "$log"
check_eq "no SEND KEY" 0 "$(e2e_trace | grep -c 'cdb=a3 ')"
check_eq "the cancelled change and its report each opened E" 4 "$(opens)"
e2e_shot mere2k-canceled-ja
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE2K" probe wait-exit MERE2K.EXE 15000
