# The whole TARN2K update in Japanese: the Japanese countdown and success lines,
# and the rebuilt list with the new revision.
e2e_require TARN2K.EXE make_firmware.exe
e2e_install TARN2K.EXE
e2e_sim_ini "adapter=atapi" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "letter=E 0 0"
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)
check_ok "letter E set up with the server" e2e_drive_letters E

T="Firmware Update Utility for Win2000/XP"
CONFIRM="Confirmation of update"
PROGRESS="Now processing..."
e2e_lang ja
e2e_start TARN2K.EXE
check_ok "window appears" probe wait-window "$T" 30000
probe click "$T" "$IDC_FILE"
probe open-file "$hex"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 15000
check_eq "Japanese question" "選択したドライブのファームウェアをバージョンアップしますか？" "$(ptext "$CONFIRM" "$IDC_CONFIRM_MESSAGE")"
probe click "$CONFIRM" "$IDOK"
label=$(probe wait-text "$PROGRESS" "$IDC_PROGRESS_LABEL" "バージョンアップが完了するまで残り約2" 30000)
check_has "Japanese countdown" "バージョンアップが完了するまで残り約2" "$label"
e2e_shot tarn2k-progress-ja
pget log wait-text "$T" "$IDC_STATUS" "アップデート操作" 60000
check_has "Japanese success lines" \
  $'バージョンアップを開始しました。\r\nファームウェアのベリファイは成功しました。\r\nアップデート操作は正常に終了しました。\r\n' "$log"
check_eq "the list is rebuilt with the new revision" "E: KESTREL DVD-ROM DRV-320  1.20" \
  "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
e2e_shot tarn2k-updated-ja
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN2K.EXE 15000
