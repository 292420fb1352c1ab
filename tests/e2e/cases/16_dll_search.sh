# A WNASPI32.DLL in the current directory but not beside the program is not
# loaded: TARN9X started from bin\ finds no ASPI manager, and the planted
# library never answers. Beside the program, the same library is used.
# A WINMM.DLL beside the program is not loaded either: the multimedia timer
# comes from the system folder.
# As on a Windows without an ASPI manager, the system folder has none: the
# current directory would be the only place left to find one.
e2e_require TARN9X.EXE WNASPI32.DLL
SYSTEM_ASPI=$WINEPREFIX/drive_c/windows/system32/wnaspi32.dll
[ -e "$SYSTEM_ASPI" ] && mv "$SYSTEM_ASPI" "$SYSTEM_ASPI.away"
# The prefix is shared by every case: the system's copy comes back.
trap 'e2e_stop_all; [ -e "$SYSTEM_ASPI.away" ] && mv "$SYSTEM_ASPI.away" "$SYSTEM_ASPI"' EXIT
e2e_install WNASPI32.DLL
e2e_sim_ini
DIR=$(e2e_dir)
mkdir -p "$DIR/bin"
cp "$(e2e_artifact TARN9X.EXE)" "$DIR/bin/TARN9X.EXE"

T="Firmware Version-Up Utility for Windows9x/Me"
e2e_start 'bin\TARN9X.EXE'
check_eq "no ATAPI interface: the planted library is not the ASPI manager" \
  $'TARN9X\nNo ATAPI I/F found.' "$(probe msgbox ok 30000)"
check_eq "then no supported drive" $'Supported drive did not found\nSupported drive was not found.' \
  "$(probe msgbox ok)"
check_ok "and the program ends" probe wait-exit TARN9X.EXE 15000
check_ok "the planted library received nothing" test ! -e "$DIR/kestrel-sim.trace"

# The program's own folder is searched.
cp "$DIR/WNASPI32.DLL" "$DIR/kestrel-sim.ini" "$DIR/bin/"
e2e_start 'bin\TARN9X.EXE'
check_ok "beside the program: the window appears" probe wait-window "$T" 30000
check_has "with the simulated drive" "KESTREL DVD-ROM DRV-320" "$(probe combo-items "$T" "$IDC_DRIVE_LIST")"
check_ok "the library beside the program answered" test -s "$DIR/bin/kestrel-sim.trace"
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends it" probe wait-exit TARN9X.EXE 15000

# A planted WINMM.DLL (any library: it has none of the timer's entry points)
# beside the program: the program starts, and Wine's loader never maps it.
# Wine would take its own WINMM first; Windows takes the one beside the EXE.
cp "$DIR/WNASPI32.DLL" "$DIR/bin/WINMM.DLL"
WINEDEBUG=+loaddll E2E_DLL_OVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" e2e_start 'bin\TARN9X.EXE'
check_ok "a WINMM.DLL beside the program: the window appears" probe wait-window "$T" 30000
probe click "$T" "$IDC_EXIT"
check_ok "Exit ends it" probe wait-exit TARN9X.EXE 15000
check_has "the loader was traced" "Loaded" "$(grep -a 'loaddll' "$DIR/wine.log")"
check_eq "the planted WINMM.DLL was never loaded" "" "$(grep -ai 'loaddll.*bin\\*winmm' "$DIR/wine.log")"
