# No drive at all: TARN9X on Wine's own ASPI layer (no adapter) and TARN2K
# with no drive letter of the maker. Both tell the user and end.
e2e_require TARN9X.EXE TARN2K.EXE
e2e_install TARN9X.EXE TARN2K.EXE

T9="Firmware Version-Up Utility for Windows9x/Me"
E2E_DLL_OVERRIDES="mscoree,mshtml=" e2e_start TARN9X.EXE
check_eq "no adapter box, captioned with the program's name" $'TARN9X\nNo ATAPI I/F found.' "$(probe msgbox none 20000)"
e2e_shot tarn9x-no-adapter-en
probe msgbox ok >/dev/null
check_eq "not-found box" $'Supported drive did not found\nSupported drive was not found.' "$(probe msgbox none 10000)"
check_eq "the list holds the no-adapter entry" "No I/F adapter" "$(probe combo-items "$T9" "$IDC_DRIVE_LIST")"
probe msgbox ok >/dev/null
check_ok "TARN9X ends" probe wait-exit TARN9X.EXE 15000

e2e_start TARN2K.EXE
check_eq "TARN2K without a drive" $'Initialize Error\nSupported drive was not found.' "$(probe msgbox ok 30000)"
check_ok "TARN2K ends" probe wait-exit TARN2K.EXE 15000
