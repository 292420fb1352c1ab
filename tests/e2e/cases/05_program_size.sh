# Every program of the program list is one stripped 32-bit EXE of at most 400 KB.
mapfile -t programs < <(e2e_programs)
check_ok "the program list names the programs" test ${#programs[@]} -gt 0
e2e_require "${programs[@]}"

for exe in "${programs[@]}"; do
  path=$(e2e_artifact "$exe")
  size=$(stat -c %s "$path")
  check_ok "$exe is at most 400 KB ($size bytes)" test "$size" -le 409600
  check_has "$exe is a 32-bit program" "file format pei-i386" "$(i686-w64-mingw32-objdump -f "$path")"
  check_has "$exe is stripped" "no symbols" "$(i686-w64-mingw32-objdump -t "$path" 2>&1)"
  # Only libraries that Windows always takes from the system folder are
  # imported; any other one is loaded by a full path at run time.
  imports=$(i686-w64-mingw32-objdump -p "$path" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:lower:]' '[:upper:]')
  check_has "$exe imports KERNEL32.DLL" "KERNEL32.DLL" "$imports"
  check_eq "$exe imports no library a user's folder could hold" "" \
    "$(grep -vxE '(KERNEL32|USER32|GDI32|COMDLG32|COMCTL32|MSVCRT|ADVAPI32|SHELL32|OLE32)\.DLL' <<<"$imports")"
done

# The launcher talks to no drive: none of the drive layers' texts is in it.
fell32=$(e2e_artifact FELL32.EXE)
if [ -n "$fell32" ]; then
  check_lacks "FELL32.EXE holds no drive code (the model table)" "KESTREL DVD-ROM DRV" "$(strings "$fell32")"
  check_lacks "FELL32.EXE holds no drive code (the sense report)" "Sense Code" "$(strings "$fell32")"
fi

# The region utilities hold no firmware code: none of the update's texts.
for exe in MERE9X.EXE MERE2K.EXE; do
  path=$(e2e_artifact "$exe")
  [ -n "$path" ] && check_lacks "$exe holds no firmware code" "Success to verify new firmware" "$(strings "$path")"
done
