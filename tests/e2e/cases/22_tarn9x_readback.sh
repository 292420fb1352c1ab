# A drive whose memory reads back different from the image, in Japanese: the
# countdown and the failed verification in the Japanese texts.
e2e_require TARN9X.EXE WNASPI32.DLL make_firmware.exe
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini "adapter=intelata" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "programming_ms=3000" "fault=readback_differs 2345"
hex=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)

T="Firmware Version-Up Utility for Windows9x/Me"
PROGRESS="Now processing...."
e2e_lang ja
e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
probe click "$T" "$IDC_FILE"
probe open-file "$hex"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "Confirmation of update" 10000
probe click "Confirmation of update" "$IDOK"
check_ok "progress window keeps its title" probe wait-window "$PROGRESS" 20000
label=$(probe wait-text "$PROGRESS" "$IDC_PROGRESS_LABEL" "バージョンアップが完了するまで残り約2" 20000)
check_has "Japanese countdown" "バージョンアップが完了するまで残り約2" "$label"
e2e_shot tarn9x-progress-ja
pget log wait-text "$T" "$IDC_STATUS" "アップデートは" 60000
check_has "the difference is reported" \
  $'バージョンアップを開始しました。\r\nファームウェアのベリファイで違いが発見されました。\r\nアップデートは失敗しました。\r\n' "$log"
check_has "the read-back reached the drive" "cdb=3c" "$(e2e_trace)"
e2e_shot tarn9x-readback-ja
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000
