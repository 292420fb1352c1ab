# TARN9X on the simulated drive: its window, system menu, Help without a help
# file, About box and Exit, in English and in Japanese.
e2e_require TARN9X.EXE WNASPI32.DLL
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini

T="Firmware Version-Up Utility for Windows9x/Me"
ABOUT="TARN9Xのﾊﾞｰｼﾞｮﾝ情報"

e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
check_has "the drive list holds the simulated drive" \
  "ID=0 : KESTREL DVD-ROM DRV-320  1.10  2003/05/12" "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
check_eq "English control text 1014" "Target Drive" "$(ptext "$T" "$IDC_TARGET_DRIVE_LABEL")"
check_eq "English control text 1009" "Exit" "$(ptext "$T" "$IDC_EXIT")"
check_has "system menu: Help then About, each after a separator" \
  $'SEP\n0020\t&Help (Firmware Update)\nSEP\n0010\t&About TARN9X.EXE\n' "$(probe sysmenu "$T"; printf x)"
check_has "the sim took the host-adapter inventory" "ha_inquiry a=0" "$(e2e_trace)"
e2e_shot tarn9x-en

probe syscommand "$T" 0x20
check_eq "Help without a help file" $'Error\nHelp file is not found.' "$(probe msgbox ok)"

probe syscommand "$T" 0x10
check_ok "About box opens" probe wait-window "$ABOUT" 10000
check_eq "About text" $'Firmware Version-Up Utility\r\nfor Windows9x/Me (Version 1.03)' "$(ptext "$ABOUT" "$IDC_ABOUT_VERSION")"
e2e_shot tarn9x-about-en
probe click "$ABOUT" "$IDOK"
check_ok "About box closes with OK" probe wait-gone "$ABOUT" 10000

probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000

e2e_lang ja
e2e_start TARN9X.EXE
check_ok "Japanese: window appears with the same caption" probe wait-window "$T" 20000
menu=$(probe sysmenu "$T"; printf x)
check_has "Japanese system menu" $'SEP\n0020\tヘルプ （&H）\nSEP\n0010\tTARN9Xについて(&A)\n' "$menu"
check_eq "Japanese 1014" "対象となるドライブ" "$(ptext "$T" "$IDC_TARGET_DRIVE_LABEL")"
check_eq "Japanese 1016" "ファームウェアファイル" "$(ptext "$T" "$IDC_FIRMWARE_FILE_LABEL")"
check_eq "Japanese 1017" "ファームウェアファイル情報" "$(ptext "$T" "$IDC_FILE_INFO_LABEL")"
check_eq "Japanese 1015" "進行状況と結果" "$(ptext "$T" "$IDC_STATUS_LABEL")"
check_eq "Japanese 1009" "終了" "$(ptext "$T" "$IDC_EXIT")"
check_eq "Japanese 1010" "ファイル選択" "$(ptext "$T" "$IDC_FILE")"
check_eq "Japanese 1011" "アップデート" "$(ptext "$T" "$IDC_UPDATE")"
e2e_shot tarn9x-ja

probe syscommand "$T" 0x20
check_eq "Japanese Help message, English caption" $'Error\nヘルプファイルが見つかりません。' "$(probe msgbox ok)"
probe syscommand "$T" 0x10
check_ok "Japanese About box keeps its title" probe wait-window "$ABOUT" 10000
check_eq "About text is English in both languages" \
  $'Firmware Version-Up Utility\r\nfor Windows9x/Me (Version 1.03)' "$(ptext "$ABOUT" "$IDC_ABOUT_VERSION")"
probe click "$ABOUT" "$IDOK"
probe wait-gone "$ABOUT" 10000
probe click "$T" "$IDC_EXIT"
check_ok "Japanese: Exit ends the program" probe wait-exit TARN9X.EXE 15000
