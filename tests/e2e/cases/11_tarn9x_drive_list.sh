# TARN9X's drive list on a machine with several adapters: only the IDE
# adapters are walked once an "intelata" adapter is there, another maker's DVD
# drive is listed (and comes first), a CD-ROM drive never is, and a drive that
# the firmware utility does not support is refused at Update.
e2e_require TARN9X.EXE WNASPI32.DLL
e2e_install TARN9X.EXE WNASPI32.DLL
e2e_sim_ini "adapter=intelata" \
  'target=0 other vendor="PIONEER " product="DVD-ROM DVD-106" rev=1.22 type=5' \
  'target=1 kestrel model=DRV-331 rev=2.00 date=2004/02/01 cpu="HITACHI H8_3062A"' \
  "adapter=ESDI_506" \
  'target=0 other vendor="TOSHIBA " product="CD-ROM XM-6702B" rev=1.00 type=5' \
  'target=1 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
  "adapter=ASPI for WIN32" \
  'target=0 kestrel model=DRV-321 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"'

T="Firmware Version-Up Utility for Windows9x/Me"
expected="ID=0 : PIONEER DVD-ROM DVD-106  1.22            "$'\n'
expected+="ID=1 : KESTREL DVD-ROM DRV-331  2.00  2004/02/01"$'\n'
expected+="ID=1 : KESTREL DVD-ROM DRV-320  1.10  2003/05/12"$'\n'

for lang in en ja; do
  e2e_lang "$lang"
  : >"$(e2e_dir)/kestrel-sim.trace"
  e2e_start TARN9X.EXE
  check_ok "$lang: window appears" probe wait-window "$T" 20000
  check_eq "$lang: the entries, in discovery order" "${expected}x" "$(probe combo-items "$T" "$IDC_DRIVE_LIST"; printf x)"
  check_eq "$lang: the first entry is selected" "${expected%%$'\n'*}" "$(ptext "$T" "$IDC_DRIVE_LIST")"
  trace=$(e2e_trace)
  check_has "$lang: target 1 of the IDE adapter is asked" "cmd a=1 t=1 cdb=12" "$trace"
  check_lacks "$lang: target 2 of an IDE adapter is never asked" "a=0 t=2" "$trace"
  check_lacks "$lang: the third adapter is skipped" "a=2 t=" "$trace"
  e2e_shot "tarn9x-drive-list-$lang"

  # The other maker's drive is in the list but the update refuses it.
  probe click "$T" "$IDC_UPDATE"
  probe sync "$T"
  pget log text "$T" "$IDC_STATUS"
  if [ "$lang" = en ]; then
    check_eq "en: unsupported drive refused" "Selected drive is not supported by this program." "$log"
  else
    check_eq "ja: unsupported drive refused" "選択されたドライブはこのプログラムではサポートされていません。" "$log"
  fi
  check_lacks "$lang: nothing written to any drive" "cdb=3b" "$(e2e_trace)"

  probe click "$T" "$IDC_EXIT"
  check_ok "$lang: Exit ends the program" probe wait-exit TARN9X.EXE 15000
done
