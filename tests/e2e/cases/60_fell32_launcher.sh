# FELL32 on XP, Windows 98 and the prefix's own later Windows: the information
# box, which utilities its buttons start and from where, the second press, and
# a close that waits for a running utility. The utilities are stand-ins: a
# window titled "Stand-in NAME.EXE" that shows the path it was started from.
e2e_require FELL32.EXE standin.exe
e2e_install FELL32.EXE
for name in TARN2K MERE2K BECK2K TARN9X MERE9X BECK9X; do
  cp "$(e2e_artifact standin.exe)" "$(e2e_dir)/$name.EXE"
done
DIR=$(winepath_of "$(e2e_dir)")

T="DVD-ROM Utilities for Windows"
TJ="DVD-ROMユーティリティ[Windows版]"
APPDEFAULTS='HKCU\Software\Wine\AppDefaults'
APPKEY="$APPDEFAULTS\FELL32.EXE"
had_appdefaults=
e2e_wine reg query "$APPDEFAULTS" >/dev/null 2>&1 && had_appdefaults=1

# The Windows version FELL32.EXE alone sees; the prefix is shared by every
# case, so the key goes again when this case ends, however it ends.
fell32_version() {
  if [ "$1" = default ]; then
    e2e_wine reg delete "$APPKEY" /f >/dev/null 2>&1
    [ -n "$had_appdefaults" ] || e2e_wine reg delete "$APPDEFAULTS" /f >/dev/null 2>&1
  else
    e2e_wine reg add "$APPKEY" /v Version /t REG_SZ /d "$1" /f >/dev/null 2>&1
  fi
}
trap 'e2e_stop_all; fell32_version default' EXIT
E2E_STARTED+=(TARN2K.EXE MERE2K.EXE BECK2K.EXE TARN9X.EXE MERE9X.EXE BECK9X.EXE)

# started TITLE-NAME: the stand-in's window appeared and shows where it came from.
started() {
  check_ok "$1 starts" probe wait-window "Stand-in $1" 15000 &&
    check_eq "$1 comes from the current directory" "$DIR\\$1" "$(ptext "Stand-in $1" 100)"
}

# --- Windows XP -----------------------------------------------------------------
fell32_version winxp
e2e_start FELL32.EXE
check_ok "window appears" probe wait-window "$T" 20000
pget info text "$T" "$IDC_OS_INFORMATION"
check_eq "XP: header and platform line with the service pack" \
  $'[OS information]\r\nWindows XP (Build 5.1.2600)\r\nService Pack 3\r\n' "$info"
check_eq "button 3" "Update Utility" "$(ptext "$T" "$IDC_LAUNCH_UPDATE")"
check_eq "button 4" "Region Information Utility" "$(ptext "$T" "$IDC_LAUNCH_REGION")"
check_eq "button 7" "Speed Control Utility" "$(ptext "$T" "$IDC_LAUNCH_SPEED")"
check_eq "button 5" "About DVD-ROM Utility Launcher" "$(ptext "$T" "$IDC_HELP_INDEX")"
check_eq "button 6" "Exit" "$(ptext "$T" "$IDC_LAUNCHER_EXIT")"
check_has "system menu: Help then About" \
  $'SEP\n0020\t&Help (Utility Launcher)\nSEP\n0010\t&About GILL32...\n' "$(probe sysmenu "$T"; printf x)"
e2e_shot fell32-xp-en

probe click "$T" "$IDC_HELP_INDEX"
check_eq "the help-index button without a help file" $'Error\nHelp file is not found.' "$(probe msgbox ok)"
probe syscommand "$T" 0x20
check_eq "system-menu Help without a help file" $'Error\nHelp file is not found.' "$(probe msgbox ok)"
ABOUT="About DVD-ROM Utilities Launcher"
probe syscommand "$T" 0x10
check_ok "About box opens" probe wait-window "$ABOUT" 10000
check_eq "About text" "DVD-ROM Utility Launcher Version 1.03" "$(ptext "$ABOUT" "$IDC_LAUNCHER_ABOUT_VERSION")"
probe click "$ABOUT" "$IDOK"
check_ok "About box closes" probe wait-gone "$ABOUT" 10000

probe click "$T" "$IDC_LAUNCH_UPDATE"
started TARN2K.EXE
probe click "$T" "$IDC_LAUNCH_REGION"
started MERE2K.EXE
probe click "$T" "$IDC_LAUNCH_SPEED"
started BECK2K.EXE
e2e_shot fell32-xp-three-running

probe click "$T" "$IDC_LAUNCH_UPDATE"
check_eq "second press while it runs" $'Caution\nThis program is already running.' "$(probe msgbox ok)"
check_eq "one TARN2K only" 1 "$(probe processes | grep -c 'TARN2K.EXE')"
probe close "Stand-in TARN2K.EXE" 10000
probe wait-exit TARN2K.EXE 10000
probe click "$T" "$IDC_LAUNCH_UPDATE"
started TARN2K.EXE
probe close "Stand-in MERE2K.EXE" 10000
probe close "Stand-in BECK2K.EXE" 10000

probe click "$T" "$IDC_LAUNCHER_EXIT"
check_eq "Exit while TARN2K runs" $'Caution\nPlease terminate the running utilities.' "$(probe msgbox ok)"
check_ok "the launcher keeps answering while it waits" probe wait-text "$T" "$IDC_OS_INFORMATION" "Windows XP" 5000 >/dev/null
probe click "$T" "$IDC_LAUNCH_REGION"
no_msgbox() { ! probe msgbox none 2000 >/dev/null; }
check_ok "a button pressed while it waits starts nothing and shows nothing" no_msgbox
check_eq "no MERE2K was started meanwhile" 0 "$(probe processes | grep -c 'MERE2K.EXE')"
check_ok "the launcher is still there" probe wait-window "$T" 2000
probe close "Stand-in TARN2K.EXE" 10000
check_ok "the launcher ends once TARN2K was closed" probe wait-exit FELL32.EXE 15000

# --- Windows XP, Japanese -------------------------------------------------------------
e2e_lang ja
e2e_start FELL32.EXE
check_ok "Japanese window appears with its title" probe wait-window "$TJ" 20000
pget info text "$TJ" "$IDC_OS_INFORMATION"
check_eq "Japanese header, same platform line" \
  $'[オペレーティングシステム情報]\r\nWindows XP (Build 5.1.2600)\r\nService Pack 3\r\n' "$info"
check_eq "Japanese 3" "ファームウェアバージョンアップ" "$(ptext "$TJ" "$IDC_LAUNCH_UPDATE")"
check_eq "Japanese 4" "リージョンコード設定" "$(ptext "$TJ" "$IDC_LAUNCH_REGION")"
check_eq "Japanese 7" "スピードコントロール" "$(ptext "$TJ" "$IDC_LAUNCH_SPEED")"
check_eq "Japanese 5" "DVD-ROMユーティリティについて" "$(ptext "$TJ" "$IDC_HELP_INDEX")"
check_eq "Japanese 6" "終了" "$(ptext "$TJ" "$IDC_LAUNCHER_EXIT")"
check_has "Japanese system menu" \
  $'SEP\n0020\tヘルプ （&H）\nSEP\n0010\tGILL32について(&A)\n' "$(probe sysmenu "$TJ"; printf x)"
e2e_shot fell32-xp-ja
probe click "$TJ" "$IDC_LAUNCH_SPEED"
started BECK2K.EXE
probe click "$TJ" "$IDC_LAUNCH_SPEED"
check_eq "Japanese second press" $'警告\nこのプログラムはすでに起動されています。' "$(probe msgbox ok)"
probe click "$TJ" "$IDC_LAUNCHER_EXIT"
check_eq "Japanese close while BECK2K runs" $'警告\n起動しているUtilityを全て終了してください。' "$(probe msgbox ok)"
probe close "Stand-in BECK2K.EXE" 10000
check_ok "Japanese: the launcher ends after BECK2K" probe wait-exit FELL32.EXE 15000
e2e_lang en

# --- Windows 98 ----------------------------------------------------------------------
fell32_version win98
e2e_start FELL32.EXE
check_ok "98: window appears" probe wait-window "$T" 20000
pget info text "$T" "$IDC_OS_INFORMATION"
check_eq "98: the Second Edition line, build from the low 16 bits" \
  $'[OS information]\r\nWindows 98 Second Edition (Build 4.10.2222)\r\n' "$info"
probe click "$T" "$IDC_LAUNCH_UPDATE"
started TARN9X.EXE
probe click "$T" "$IDC_LAUNCH_REGION"
started MERE9X.EXE
probe click "$T" "$IDC_LAUNCH_SPEED"
started BECK9X.EXE
check_eq "98: no NT program was started" 0 "$(probe processes | grep -c '2K.EXE')"
for name in TARN9X MERE9X BECK9X; do probe close "Stand-in $name.EXE" 10000; done
probe wait-exit BECK9X.EXE 10000
probe click "$T" "$IDC_LAUNCHER_EXIT"
check_ok "98: with every utility ended Exit closes at once" probe wait-exit FELL32.EXE 15000

# --- the prefix's own Windows (7 or later) ---------------------------------------
fell32_version default
rm "$(e2e_dir)/BECK2K.EXE"
e2e_start FELL32.EXE
check_ok "later Windows: window appears" probe wait-window "$T" 20000
pget info text "$T" "$IDC_OS_INFORMATION"
check_eq "later Windows: the header alone" $'[OS information]\r\n' "$info"
probe click "$T" "$IDC_LAUNCH_REGION"
started MERE2K.EXE
probe click "$T" "$IDC_LAUNCH_SPEED"
box=$(probe msgbox ok)

check_eq "a missing BECK2K.EXE: the system's text, captioned FELL32" "FELL32" "${box%%$'\n'*}"
check_has "the system's text for a missing file" "File not found." "${box#*$'\n'}"
probe close "Stand-in MERE2K.EXE" 10000
probe wait-exit MERE2K.EXE 10000
probe click "$T" "$IDC_LAUNCHER_EXIT"
check_ok "later Windows: Exit closes at once" probe wait-exit FELL32.EXE 15000

# A launcher in another folder, beside a program of the same name, still
# starts the one in the current directory.
mkdir -p "$(e2e_dir)/bin"
cp "$(e2e_dir)/FELL32.EXE" "$(e2e_dir)/MERE2K.EXE" "$(e2e_dir)/bin/"
e2e_start 'bin\FELL32.EXE'
check_ok "launcher from bin\\ appears" probe wait-window "$T" 20000
probe click "$T" "$IDC_LAUNCH_REGION"
started MERE2K.EXE
probe close "Stand-in MERE2K.EXE" 10000
probe wait-exit MERE2K.EXE 10000
probe click "$T" "$IDC_LAUNCHER_EXIT"
check_ok "launcher from bin\\ closes" probe wait-exit FELL32.EXE 15000
