# The release package: scripts/dist packs the built programs, both help files
# and the demo; unpacked into an empty folder, FELL32 starts from there, opens
# the help index and starts the update utility of the folder (which asks for
# administrator rights in its manifest).
e2e_require FELL32.EXE TARN2K.EXE opthelp.chm opthelpj.chm WNASPI32.DLL
OUT=$E2E_CASE_DIR.out
mkdir -p "$OUT"
zip=$(KESTREL_BUILD_DIR=$(dirname "$E2E_WIN32_BUILD") "$E2E_ROOT/scripts/dist" --no-build "$OUT" 2>>"$OUT/dist.log")
check_ok "scripts/dist made the zip" test -f "$zip"
check_eq "its name carries the version" "kestrel-dvd-utilities-1.03.zip" "$(basename "$zip")"

DIR=$(e2e_dir)
check_eq "the folder is empty before" "" "$(ls -A "$DIR")"
(cd "$DIR" && unzip -q "$zip")
PKG=$DIR/kestrel-dvd-utilities-1.03
listing=$(cd "$PKG" && find . -type f | sort)
for file in FELL32.EXE TARN2K.EXE opthelp.chm opthelpj.chm README.txt README-ja.txt \
  demo/WNASPI32.DLL demo/kestrel-sim.ini demo/README.txt; do
  check_has "package holds $file" "./$file"$'\n' "$listing"$'\n'
done
check_lacks "no ASPI manager at the top" "./WNASPI32.DLL" "$listing"
check_has "the Japanese README is Shift-JIS" "Kestrel DVD-ROMユーティリティ" \
  "$(iconv -f CP932 -t UTF-8 "$PKG/README-ja.txt")"

# From the unpacked folder, as a user would.
E2E_CASE_DIR=$PKG
T="DVD-ROM Utilities for Windows"
e2e_start FELL32.EXE
check_ok "FELL32 starts from the unpacked folder" probe wait-window "$T" 30000
probe click "$T" "$IDC_HELP_INDEX"
check_ok "its help index opens" probe wait-window "Kestrel DVD-ROM Utilities Help" 15000
probe close "Kestrel DVD-ROM Utilities Help" 10000
e2e_shot package-fell32-en
E2E_STARTED+=(TARN2K.EXE)
probe click "$T" "$IDC_LAUNCH_UPDATE"
# No drive here: the utility starts, finds none and says so.
check_eq "Update Utility starts TARN2K of the folder" \
  $'Initialize Error\nSupported drive was not found.' "$(probe msgbox ok 30000)"
check_ok "TARN2K ends" probe wait-exit TARN2K.EXE 15000
probe click "$T" "$IDC_LAUNCHER_EXIT"
check_ok "FELL32 closes" probe wait-exit FELL32.EXE 15000

# The demo, as its note says: the ASPI program beside the simulated drive.
if [ -f "$PKG/TARN9X.EXE" ]; then
  TRY=$DIR/try
  mkdir -p "$TRY"
  cp "$PKG/TARN9X.EXE" "$PKG/opthelp.chm" "$PKG/demo/WNASPI32.DLL" "$PKG/demo/kestrel-sim.ini" "$TRY/"
  E2E_CASE_DIR=$TRY
  T9="Firmware Version-Up Utility for Windows9x/Me"
  e2e_start TARN9X.EXE
  check_ok "demo: TARN9X appears" probe wait-window "$T9" 30000
  check_has "demo: it lists the simulated drive" "KESTREL DVD-ROM DRV-320" "$(probe combo-items "$T9" "$IDC_DRIVE_LIST")"
  probe click "$T9" "$IDC_EXIT"
  check_ok "demo: TARN9X ends" probe wait-exit TARN9X.EXE 15000
fi
E2E_CASE_DIR=$DIR
rm -rf "$OUT"
