# The probe and the harness on a small window of our own: if this fails, the
# other cases cannot be trusted.
e2e_require selftest.exe
e2e_install selftest.exe

T="Kestrel Probe Self-Test"
e2e_start SELFTEST.EXE
check_ok "window appears" probe wait-window "$T" 20000
check_eq "static text" "Hello" "$(ptext "$T" 1001)"
check_eq "caption" "$T" "$(ptext "$T" -)"

probe set-text "$T" 1002 "日本語 text"
check_eq "UTF-8 text goes in and comes back" "日本語 text" "$(ptext "$T" 1002)"

# The button handler is slow: a read overtaking a click would see an old count.
for _ in 1 2 3 4 5; do probe click "$T" 1004; done
check_eq "each click is handled before the next read" 5 "$(ptext "$T" 1005)"

check_eq "combo items" $'alpha\nbeta\nガンマ\nx' "$(probe combo-items "$T" 1003; printf x)"
probe combo-select "$T" 1003 2
check_eq "combo selection notifies the dialog" "ガンマ" "$(ptext "$T" 1009)"

check_has "system menu items read from inside the program" \
  $'SEP\n0020\t&Self Help\nSEP\n0010\t&About Self-Test\n' "$(probe sysmenu "$T"; printf x)"

probe syscommand "$T" 0x20
check_eq "message box caption and text" $'Error\nHelp file is not found.' "$(probe msgbox ok)"
check_eq "owner enabled again after the box" 1 "$(probe enabled "$T")"

probe click "$T" 1006
check_eq "yes/no box" $'Caution\nProceed?\r\nSecond line' "$(probe msgbox no)"
check_eq "the box's answer reaches the program" no "$(ptext "$T" 1009)"

hex=$(e2e_dir)/sample.hex
printf ':00000001FF\r\n' >"$hex"
probe click "$T" 1007
check_ok "Open dialog takes a Linux path" probe open-file "$hex"
probe sync "$T"
check_eq "chosen file" "$(winepath_of "$hex")" "$(ptext "$T" 1009)"

e2e_shot selftest-en
probe click "$T" 1008
check_ok "Exit ends the process" probe wait-exit SELFTEST.EXE 10000

e2e_lang ja
J="プローブ試験"
e2e_start SELFTEST.EXE
check_ok "Japanese window appears" probe wait-window "$J" 20000
check_eq "Japanese static text" "こんにちは" "$(ptext "$J" 1001)"
check_has "Japanese menu item" $'0020\tヘルプ(&H)\n' "$(probe sysmenu "$J"; printf x)"
probe syscommand "$J" 0x20
probe msgbox none >/dev/null
e2e_shot selftest-ja
check_eq "Japanese message text" $'Error\nヘルプファイルが見つかりません。' "$(probe msgbox ok)"
check_ok "close ends the window" probe close "$J"
