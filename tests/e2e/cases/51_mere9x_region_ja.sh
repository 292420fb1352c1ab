# MERE9X in Japanese: the translated controls, the start-up report, a change
# on a never-set drive kept over a restart, and for a drive with no region the
# Japanese "Attention" box with Cancel.
e2e_require MERE9X.EXE WNASPI32.DLL
e2e_install MERE9X.EXE WNASPI32.DLL
drive='target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"'
e2e_sim_ini "adapter=atapi" "$drive" "disc=css" "disc_rmi=3E"
T="Region Utility for Windows9x/Me"
states() { probe buttons "$T" "$@" | tr '\n' ' '; }

e2e_lang ja
e2e_start MERE9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "許可" 15000
check_eq "Japanese start-up report" \
  $'ドライブのリージョンコードは未設定です.\r\nこのディスクは地域 1での視聴が許可されています。\r\n' "$log"
check_eq "Japanese count label" "リージョンコードはあと5回変更可能です。" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "Japanese group" "DVD-ROMドライブのリージョンコード" "$(ptext "$T" "$IDC_REGION_GROUP")"
check_eq "Japanese region 2 text names only the countries" "日本、西ヨーロッパ、南アフリカ" "$(ptext "$T" "$IDC_REGION_2")"
check_eq "Japanese Set Region" "リージョン設定" "$(ptext "$T" "$IDC_SET_REGION")"
check_eq "the heading stays English" "DVD-ROM Region Utility for Windows9x/Me" "$(ptext "$T" "$IDC_REGION_HEADING")"
check_eq "disc box 1 only" "1007 11 1013 00 1014 00 1015 00 1016 00 1017 00 " \
  "$(states "$IDC_DISC_REGION_1" "$IDC_DISC_REGION_2" "$IDC_DISC_REGION_3" "$IDC_DISC_REGION_4" "$IDC_DISC_REGION_5" "$IDC_DISC_REGION_6")"
e2e_shot mere9x-start-ja

probe click "$T" "$IDC_REGION_2"
probe click "$T" "$IDC_SET_REGION"
pget log wait-text "$T" "$IDC_REGION_LOG" "２です" 15000
check_has "Japanese success, then region 2" \
  $'リージョンの設定は成功しました。\r\nドライブのリージョンコードは２です.\r\n' "$log"
check_eq "one change fewer" "リージョンコードはあと4回変更可能です。" "$(ptext "$T" "$IDC_REGION_COUNT")"
check_eq "region 2 checked, region 1 allowed by the disc" \
  "1002 10 1008 11 1009 00 1010 00 1011 00 1012 00 " "$(states "$IDC_REGION_1" "$IDC_REGION_2" "$IDC_REGION_3" "$IDC_REGION_4" "$IDC_REGION_5" "$IDC_REGION_6")"
e2e_shot mere9x-changed-ja
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000

e2e_sim_ini "adapter=atapi" "$drive" "disc=none"
e2e_start MERE9X.EXE
check_ok "window appears again" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "取得に失敗" 15000
check_eq "region 2 kept over the restart" \
  $'ドライブのリージョンコードは２です.\r\nディスクのリージョンコードの取得に失敗しました。\r\n' "$log"
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000

# A drive that has no region but has spent a change, and no disc.
rm -f "$(e2e_dir)/kestrel-sim.state"
e2e_sim_ini "adapter=atapi" "$drive" "disc=none" "rpc_changes=4"
e2e_start MERE9X.EXE
check_ok "window appears a third time" probe wait-window "$T" 20000
pget log wait-text "$T" "$IDC_REGION_LOG" "取得に失敗" 15000
probe click "$T" "$IDC_REGION_2"
probe click "$T" "$IDC_SET_REGION"
check_eq "Japanese Attention box" \
  $'注意\nディスクがありません\r\n適切なディスクを挿入してください。' "$(probe msgbox cancel 15000)"
pget log wait-text "$T" "$IDC_REGION_LOG" "中断" 15000
check_has "Japanese cancel line, then the report" \
  $'処理は中断されました。\r\nドライブのリージョンコードは未設定です.\r\n' "$log"
check_eq "still one SEND KEY in all" 1 "$(e2e_trace | grep -c 'cdb=a3 ')"
e2e_shot mere9x-canceled-ja
probe click "$T" "$IDC_REGION_EXIT"
check_ok "Exit ends MERE9X" probe wait-exit MERE9X.EXE 15000
