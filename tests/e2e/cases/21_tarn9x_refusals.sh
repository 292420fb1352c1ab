# TARN9X refuses before writing anything: no file loaded, a file for another
# CPU; and in Japanese, a cancelled confirmation.
e2e_require TARN9X.EXE WNASPI32.DLL make_firmware.exe
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini
wrong=$(e2e_make_hex WRONGCPU.HEX revision=1.20 cpu="HITACHI H8_3062R")
good=$(e2e_make_hex UPDATE.HEX revision=1.20 date=2004/01/15)

T="Firmware Version-Up Utility for Windows9x/Me"
CONFIRM="Confirmation of update"

e2e_start TARN9X.EXE
check_ok "window appears" probe wait-window "$T" 20000
probe click "$T" "$IDC_UPDATE"
check_eq "Update with no file loaded" "This file is not available." "$(ptext "$T" "$IDC_STATUS")"

# A typed name of a file that does not exist leaves the Open dialog and ends
# in the file-error box; the log keeps only the file name line.
missing=$(e2e_dir)/MISSING.HEX
probe click "$T" "$IDC_FILE"
check_ok "the Open dialog returns a name that does not exist" probe open-file "$missing"
pget box msgbox ok 10000
check_eq "file-error box caption" "TARN9X" "${box%%$'\n'*}"
check_has "file-error box names the file" "$(winepath_of "$missing")" "$box"
check_has "file-error box names the cause" "File not found" "$box"
probe sync "$T"
check_eq "log after a file that cannot be opened" "File Name : $(winepath_of "$missing")" "$(ptext "$T" "$IDC_STATUS")"
check_eq "information field untouched" "" "$(ptext "$T" "$IDC_FILE_INFO")"

probe click "$T" "$IDC_FILE"
probe open-file "$wrong"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_has "a file for another CPU is refused" \
  $'Version : 1.20\r\nCPU type of HEX File does not match with internal CPU. ' "$(ptext "$T" "$IDC_STATUS")"
check_ok "no confirmation window" probe wait-gone "$CONFIRM" 1000
check_eq "nothing was written to the drive" "" "$(e2e_trace | grep 'cdb=3b')"
e2e_shot tarn9x-wrong-cpu-en
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000

e2e_lang ja
e2e_start TARN9X.EXE
check_ok "Japanese window appears" probe wait-window "$T" 20000
probe click "$T" "$IDC_FILE"
probe open-file "$good"
probe sync "$T"
probe click "$T" "$IDC_UPDATE"
check_ok "confirmation window" probe wait-window "$CONFIRM" 10000
check_eq "Japanese question" "選択したドライブのファームウェアをバージョンアップしますか？" "$(ptext "$CONFIRM" "$IDC_CONFIRM_MESSAGE")"
check_has "Japanese warning" "アップグレード中は絶対に電源OFFをしないでください。" "$(ptext "$CONFIRM" "$IDC_CONFIRM_WARNING")"
e2e_shot tarn9x-confirm-ja
probe click "$CONFIRM" "$IDCANCEL"
check_ok "Cancel closes the confirmation" probe wait-gone "$CONFIRM" 5000
check_lacks "Cancel adds no log line" "バージョンアップを開始しました" "$(ptext "$T" "$IDC_STATUS")"
check_eq "nothing was written after Cancel" "" "$(e2e_trace | grep 'cdb=3b')"
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends the program" probe wait-exit TARN9X.EXE 15000
