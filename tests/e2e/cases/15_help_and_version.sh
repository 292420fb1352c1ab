# From every program, Help opens its topic of opthelp.chm (opthelpj.chm in
# Japanese) in the current directory, and shows "Help file is not found." while
# the file is missing; and the version resource of each program says what its
# About box says. A program joins with one row:
#   EXE|title|Japanese title (= same)|topic|probe action after the title|About title|About version control id[|crlf]
# (crlf: the program's "Help file is not found." ends with a line break, as BECK9X's does)
HELP_ROWS=(
  "TARN9X.EXE|Firmware Version-Up Utility for Windows9x/Me|=|UpdateUtility.htm|syscommand 0x20|TARN9Xのﾊﾞｰｼﾞｮﾝ情報|$IDC_ABOUT_VERSION"
  "TARN2K.EXE|Firmware Update Utility for Win2000/XP|=|UpdateUtility.htm|syscommand 0x20|About TARN2K|$IDC_ABOUT_VERSION"
  "MERE9X.EXE|Region Utility for Windows9x/Me|=|RegionUtility.htm|syscommand 0x20|About MERE9X|$IDC_MERE9X_ABOUT_VERSION"
  "MERE2K.EXE|Region Utility for Windows2000|=|RegionUtility.htm|syscommand 0x20|About MERE2K|$IDC_MERE2K_ABOUT_VERSION"
  "BECK9X.EXE|Speed Control Utility|=|SpeedControl.htm|syscommand 0x20|About Speed Control Utility|$IDC_SPEED_ABOUT_VERSION|crlf"
  "BECK2K.EXE|Speed Control Utility|=|SpeedControl.htm|syscommand 0x20|About Speed Control Utility|$IDC_SPEED_ABOUT_VERSION|crlf"
  "FELL32.EXE|DVD-ROM Utilities for Windows|DVD-ROMユーティリティ[Windows版]|HELPINDEX.htm|click $IDC_HELP_INDEX|About DVD-ROM Utilities Launcher|$IDC_LAUNCHER_ABOUT_VERSION"
  "FELL32.EXE|DVD-ROM Utilities for Windows|DVD-ROMユーティリティ[Windows版]|HELPINDEX.htm|syscommand 0x20|About DVD-ROM Utilities Launcher|$IDC_LAUNCHER_ABOUT_VERSION"
)
e2e_require opthelp.chm opthelpj.chm WNASPI32.DLL
e2e_install WNASPI32.DLL
# The ASPI programs find the drive through the DLL, the NT programs through E:.
e2e_sim_ini "adapter=intelata" \
  'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' "letter=E 0 0"
check_ok "letter E set up with the server" e2e_drive_letters E

DIR=$(e2e_dir)
# Wine's trace writes a path with its backslashes doubled.
TRACE_DIR=$(winepath_of "$DIR" | sed 's/\\/\\\\/g')
help_title() { [ "$1" = ja ] && printf 'Kestrel DVD-ROMユーティリティ ヘルプ' || printf 'Kestrel DVD-ROM Utilities Help'; }
help_file() { [ "$1" = ja ] && printf opthelpj.chm || printf opthelp.chm; }
not_found() { [ "$1" = ja ] && printf 'Error\nヘルプファイルが見つかりません。' || printf 'Error\nHelp file is not found.'; }

for row in "${HELP_ROWS[@]}"; do
  IFS='|' read -r exe title title_ja topic action about about_id ending <<<"$row"
  if [ -z "$(e2e_artifact "$exe")" ]; then
    printf '  skip - %s is not built\n' "$exe"
    continue
  fi
  e2e_install "$exe"
  read -r verb argument <<<"$action"
  for lang in en ja; do
    e2e_lang "$lang"
    T=$title
    [ "$lang" = ja ] && [ "$title_ja" != = ] && T=$title_ja
    H=$(help_title "$lang")
    file=$(help_file "$lang")
    rm -f "$DIR/opthelp.chm" "$DIR/opthelpj.chm"
    log_start=$(($(stat -c %s "$DIR/wine.log" 2>/dev/null || echo 0) + 1))
    WINEDEBUG=+htmlhelp e2e_start "$exe"
    check_ok "$exe $lang ($verb): window appears" probe wait-window "$T" 30000 || continue
    shot=${exe%.EXE}
    shot=${shot,,}
    [ "$verb" = syscommand ] && e2e_shot "window-$shot-$lang"

    probe "$verb" "$T" "$argument" >/dev/null
    expected=$(not_found "$lang")
    # The line feed goes with the output's last one; the carriage return stays.
    [ "$ending" = crlf ] && expected+=$'\r'
    check_eq "$exe $lang: without the help file" "$expected" "$(probe msgbox ok)"

    cp "$(e2e_artifact opthelp.chm)" "$(e2e_artifact opthelpj.chm)" "$DIR/"
    probe "$verb" "$T" "$argument" >/dev/null
    check_ok "$exe $lang: the help window opens" probe wait-window "$H" 15000
    check_eq "$exe $lang: no message box holds the window" 1 "$(probe enabled "$T")"
    trace=$(tail -c +"$log_start" "$DIR/wine.log" | grep 'htmlhelp:navigate_url')
    check_has "$exe $lang: topic $topic of $file in the current directory" \
      "$TRACE_DIR\\\\$file::/$topic\"" "$trace"
    e2e_shot "help-$shot-$verb-$lang"
    probe close "$H" 10000

    probe syscommand "$T" 0x10
    check_ok "$exe $lang: About box opens" probe wait-window "$about" 10000
    e2e_shot "about-$shot-$lang"
    if [ "$lang" = en ]; then
      version=$(ptext "$about" "$about_id" | grep -o 'Version [0-9]*\.[0-9][0-9]')
      version=${version#Version }
      check_ok "$exe: the About text names a version" test -n "$version"
      pget resource version "$(winepath_of "$DIR/$exe")"
      check_has "$exe: file version $version" $'\n'"FileVersion=$version"$'\n' $'\n'"$resource"
      check_has "$exe: product version $version" $'\n'"ProductVersion=$version"$'\n' "$resource"
      major=${version%%.*} minor=$((10#${version#*.}))
      check_has "$exe: numeric file version" "FileVersion#=$major.$minor.0.0"$'\n' "$resource"
      check_has "$exe: company" $'\nCompanyName=Kestrel\n' "$resource"
      check_has "$exe: product" $'\nProductName=DVD-ROM Utilities\n' "$resource"
      check_has "$exe: original file name" $'\n'"OriginalFilename=$exe"$'\n' "$resource"
    fi
    probe click "$about" "$IDOK"
    check_ok "$exe $lang: About box closes" probe wait-gone "$about" 15000
    probe syscommand "$T" 0xF060 >/dev/null
    check_ok "$exe $lang: closes" probe wait-exit "$exe" 30000
  done
  e2e_lang en
done
