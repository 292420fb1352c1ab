# In Japanese: after a good file, a damaged one is chosen, then one placed by
# extended linear addresses; Update then refuses rather than send the earlier
# image, until a file loads again. A file that cannot be opened gets the
# Japanese box.
e2e_require TARN9X.EXE WNASPI32.DLL make_firmware.exe
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini
good=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)
older=$(e2e_make_hex OLDER.HEX revision=1.05 date=2003/01/10)
linear=$(e2e_make_hex LINEAR.HEX revision=1.05 linear=1)
# One data character of the fifth line changed, its checksum kept.
bad=$(e2e_dir)/DAMAGED.HEX
awk 'NR == 5 { c = substr($0, 10, 1); $0 = substr($0, 1, 9) (c == "0" ? "1" : "0") substr($0, 11) } { print }' \
  "$older" >"$bad"

T="Firmware Version-Up Utility for Windows9x/Me"
CONFIRM="Confirmation of update"
e2e_lang ja
e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000

probe click "$T" "$IDC_FILE"
probe open-file "$good"
probe sync "$T"
check_has "the good file loads" "Version : 1.20" "$(ptext "$T" "$IDC_STATUS")"

probe click "$T" "$IDC_FILE"
probe open-file "$bad"
probe sync "$T"
check_has "the damaged file is refused" "5行目のチェックサムが正しくありません。" "$(ptext "$T" "$IDC_STATUS")"
probe click "$T" "$IDC_UPDATE"
probe sync "$T"
check_has "Update refuses the earlier image" "このファイルは有効なファイルではありません。" "$(ptext "$T" "$IDC_STATUS")"
check_ok "no confirmation window" probe wait-gone "$CONFIRM" 1000
# Upper blocks given by extended linear addresses: refused at the first one.
probe click "$T" "$IDC_FILE"
probe open-file "$linear"
probe sync "$T"
check_has "the linear-address file is refused" "4098行目の拡張リニアアドレスには対応していません。" "$(ptext "$T" "$IDC_STATUS")"
probe click "$T" "$IDC_UPDATE"
probe sync "$T"
check_has "Update refuses it" "このファイルは有効なファイルではありません。" "$(ptext "$T" "$IDC_STATUS")"
check_ok "no confirmation window for it" probe wait-gone "$CONFIRM" 1000
check_eq "nothing was written to the drive" "" "$(e2e_trace | grep 'cdb=3b')"

missing=$(e2e_dir)/MISSING.HEX
probe click "$T" "$IDC_FILE"
probe open-file "$missing"
pget box msgbox ok 10000
check_has "Japanese file-error box" "ファイルを開くことができません" "$box"
check_has "the box keeps the cause" "File not found" "$box"
probe sync "$T"

probe click "$T" "$IDC_FILE"
probe open-file "$good"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "the good file reloaded reaches the confirmation" probe wait-window "$CONFIRM" 10000
check_has "it offers the reloaded version" "1.20" "$(ptext "$CONFIRM" "$IDC_CONFIRM_NEW_FIRMWARE")"
probe click "$CONFIRM" "$IDCANCEL"
check_ok "Cancel closes the confirmation" probe wait-gone "$CONFIRM" 5000
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000
