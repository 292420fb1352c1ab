# Every program is one stripped 32-bit EXE of at most 400 KB.
e2e_require TARN9X.EXE TARN2K.EXE

for exe in TARN9X.EXE TARN2K.EXE; do
  path=$(e2e_artifact "$exe")
  size=$(stat -c %s "$path")
  check_ok "$exe is at most 400 KB ($size bytes)" test "$size" -le 409600
  check_has "$exe is a 32-bit program" "file format pei-i386" "$(i686-w64-mingw32-objdump -f "$path")"
  check_has "$exe is stripped" "no symbols" "$(i686-w64-mingw32-objdump -t "$path" 2>&1)"
done
