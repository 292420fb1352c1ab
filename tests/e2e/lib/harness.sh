# End-to-end harness: the programs under Wine on an Xvfb display, driven by
# probe.exe. Sourced by tests/e2e/run and by the case files it runs.
#
# One run = one private Xvfb display + one private 32-bit Wine prefix (booted
# once, ~10 s) + one directory per case holding the EXEs, the simulated
# WNASPI32.DLL, its kestrel-sim.ini and its state. Every program is started
# with `wine explorer /desktop=NAME,800x600 EXE` on a desktop of its own.

E2E_ROOT=${E2E_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}
E2E_WIN32_BUILD=${E2E_WIN32_BUILD:-$E2E_ROOT/build/win32}
E2E_OUTPUT=${E2E_OUTPUT:-$E2E_ROOT/build/e2e-output}
E2E_LOCALE_DIR=${E2E_LOCALE_DIR:-$E2E_ROOT/build/e2e-locale}
# The native build: the drive-letter server and the SG_IO preload library.
E2E_NATIVE_BUILD=${E2E_NATIVE_BUILD:-$E2E_ROOT/build/native}
# Absolute, so that Wine and the cases' own directories see the same paths.
for e2e_var in E2E_WIN32_BUILD E2E_NATIVE_BUILD E2E_OUTPUT; do
  [ -d "${!e2e_var}" ] && printf -v "$e2e_var" '%s' "$(cd "${!e2e_var}" && pwd)"
done
unset e2e_var

# ---- logging ---------------------------------------------------------------

e2e_log() { printf '[e2e] %s\n' "$*" >&2; }

# ---- artifacts ---------------------------------------------------------------

# Path of a built file in the cross build (case-insensitive), or nothing.
e2e_artifact() {
  find "$E2E_WIN32_BUILD" -path '*/CMakeFiles' -prune -o -type f -iname "$1" -print 2>/dev/null | head -n 1
}

# The suite's programs (NAME.EXE), one a line, in the program list's order:
# the cross build's programs.txt, made from src/apps/programs.cmake.
e2e_programs() { cut -d ' ' -f 1 "$E2E_WIN32_BUILD/programs.txt" 2>/dev/null; }

# The control ids by name (IDC_EXIT=1009 ...): the cross build's
# resource_ids.sh, made from src/ui/resource_ids.h. The cases click and read
# controls by these names.
E2E_RESOURCE_IDS=$E2E_WIN32_BUILD/resource_ids.sh
# shellcheck source=/dev/null
[ -f "$E2E_RESOURCE_IDS" ] && source "$E2E_RESOURCE_IDS"

# ---- run set-up and tear-down ----------------------------------------------

# The Japanese locale for Wine: compiled once into the build tree unless the
# system already has it.
e2e_prepare_locale() {
  if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    E2E_JA_LOCPATH=
    return 0
  fi
  if [ ! -f "$E2E_LOCALE_DIR/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$E2E_LOCALE_DIR"
    localedef -i ja_JP -f UTF-8 "$E2E_LOCALE_DIR/ja_JP.UTF-8" 2>/dev/null ||
      [ -f "$E2E_LOCALE_DIR/ja_JP.UTF-8/LC_CTYPE" ] || return 1
  fi
  E2E_JA_LOCPATH=$E2E_LOCALE_DIR
}

e2e_start_display() {
  local fifo=$E2E_RUN/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$E2E_RUN/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || {
    e2e_log "Xvfb did not start: $(cat "$E2E_RUN/xvfb.log")"
    return 1
  }
  export DISPLAY=:$number
}

# Font names of the programs' templates and of Wine's Japanese dialogs,
# mapped to the IPA fonts so that Japanese shows as text, not boxes.
e2e_font_registry() {
  cat <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

EOF
}

e2e_boot_prefix() {
  export WINEPREFIX=$E2E_RUN/prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n"
  local started=$SECONDS
  LC_ALL=C.UTF-8 timeout 300 wineboot -i >"$E2E_RUN/wineboot.log" 2>&1 || {
    e2e_log "wineboot failed: $(tail -n 5 "$E2E_RUN/wineboot.log")"
    return 1
  }
  e2e_prefix_fonts "$E2E_RUN" >>"$E2E_RUN/wineboot.log" 2>&1
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w
  e2e_log "prefix ready in $((SECONDS - started)) s"
}

# e2e_prefix_fonts WORKDIR: the font set-up of the prefix $WINEPREFIX.
e2e_prefix_fonts() {
  e2e_font_registry | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$1/fonts.reg"
  LC_ALL=C.UTF-8 timeout 60 wine regedit /S "$(winepath_of "$1/fonts.reg")"
  e2e_link_wine_fonts "$WINEPREFIX"
}

# e2e_dialog_font en|ja: the dialog font of the programs started after it.
# The templates name "MS Sans Serif", which has no Japanese glyphs; Wine's
# fallback for them is the fixed-pitch IPAGothic. In Japanese the font is
# the proportional IPAPGothic, as a Japanese Windows draws these windows; in
# English it stays MS Sans Serif. A program reads the substitutes as it
# starts, so one prefix serves both languages.
e2e_dialog_font() {
  local state=$WINEPREFIX/kestrel-dialog-font
  [ "$(cat "$state" 2>/dev/null)" = "$1" ] && return 0
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  if [ "$1" = ja ]; then
    LC_ALL=C.UTF-8 timeout 60 wine reg add "$key" /v "MS Sans Serif" /t REG_SZ /d IPAPGothic /f
  else
    LC_ALL=C.UTF-8 timeout 60 wine reg delete "$key" /v "MS Sans Serif" /f
  fi >/dev/null 2>&1
  printf '%s' "$1" >"$state"
}

# Wine's own fonts (Marlett draws the caption buttons) are not found in its
# data directory by this Wine build; the prefix's Fonts folder is searched.
e2e_link_wine_fonts() {
  local fonts=$1/drive_c/windows/Fonts file
  mkdir -p "$fonts"
  for file in /usr/share/wine/fonts/*.ttf; do
    [ -e "$file" ] && ln -sf "$file" "$fonts/"
  done
}

# Linux path -> Z:\ path, without starting Wine.
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

e2e_setup() {
  mkdir -p "$E2E_OUTPUT"
  E2E_RUN=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-e2e.XXXXXX")
  export E2E_RUN
  [ -f "$E2E_RESOURCE_IDS" ] || { e2e_log "$E2E_RESOURCE_IDS is missing: configure the cross build"; return 1; }
  E2E_PROBE=$(e2e_artifact probe.exe)
  [ -n "$E2E_PROBE" ] || { e2e_log "probe.exe is not built in $E2E_WIN32_BUILD"; return 1; }
  E2E_PROBE_DIR=$E2E_RUN/probe
  mkdir -p "$E2E_PROBE_DIR"
  cp "$E2E_PROBE" "$(e2e_artifact kprobehook.dll)" "$E2E_PROBE_DIR/"
  e2e_prepare_locale || { e2e_log "cannot compile the ja_JP.UTF-8 locale"; return 1; }
  e2e_start_display || return 1
  e2e_boot_prefix || return 1
  export E2E_PROBE_DIR E2E_JA_LOCPATH
}

e2e_teardown() {
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k 2>/dev/null; timeout 60 wineserver -w 2>/dev/null; }
  [ -n "${E2E_XVFB_PID:-}" ] && kill "$E2E_XVFB_PID" 2>/dev/null && wait "$E2E_XVFB_PID" 2>/dev/null
  [ -n "${E2E_RUN:-}" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_RUN"
  return 0
}

# ---- language ----------------------------------------------------------------

# e2e_lang en|ja: the locale of every Wine process started after it. Both are
# UTF-8, so Japanese arguments reach the probe intact.
e2e_lang() {
  E2E_LANG=$1
  case $1 in
    ja) E2E_LC=ja_JP.UTF-8 ;;
    *) E2E_LC=C.UTF-8 ;;
  esac
}

e2e_wine() {
  if [ "$E2E_LANG" = ja ] && [ -n "$E2E_JA_LOCPATH" ]; then
    LC_ALL=$E2E_LC LANG=$E2E_LC LOCPATH=$E2E_JA_LOCPATH wine "$@"
  else
    LC_ALL=$E2E_LC LANG=$E2E_LC wine "$@"
  fi
}

# ---- programs ----------------------------------------------------------------

# e2e_dir: the current case's directory, made on first use.
e2e_dir() {
  mkdir -p "$E2E_CASE_DIR"
  printf '%s' "$E2E_CASE_DIR"
}

# e2e_install FILE...: copies built files (by name) or paths into the case dir.
e2e_install() {
  local item path
  for item in "$@"; do
    if [ -f "$item" ]; then path=$item; else path=$(e2e_artifact "$item"); fi
    [ -n "$path" ] || { e2e_log "not built: $item"; return 1; }
    cp "$path" "$(e2e_dir)/$(basename "$item" | tr '[:lower:]' '[:upper:]')"
  done
}

# e2e_start EXE [DESKTOP]: starts EXE from the case dir on its own desktop and
# makes that desktop the probe's. E2E_DLL_OVERRIDES replaces WINEDLLOVERRIDES
# for the program (e.g. "mscoree,mshtml=" to give it Wine's own wnaspi32). Programs started through explorer are not our
# children: the case's end stops them through the probe by name.
e2e_start() {
  local exe=$1
  E2E_DESKTOP=${2:-${E2E_CASE}_$((++E2E_STARTS))}
  E2E_STARTED+=("$exe")
  local envs=(LC_ALL="$E2E_LC" LANG="$E2E_LC" WINEDLLOVERRIDES="${E2E_DLL_OVERRIDES:-$WINEDLLOVERRIDES}")
  # With a drive-letter server running, every program reaches it (NT programs).
  [ -n "${E2E_SG_DEVICES:-}" ] && envs+=("LD_PRELOAD=$(sg_preload_path)" "KESTREL_SIM_DEVICES=$E2E_SG_DEVICES")
  [ "$E2E_LANG" = ja ] && [ -n "$E2E_JA_LOCPATH" ] && envs+=(LOCPATH="$E2E_JA_LOCPATH")
  e2e_dialog_font "$E2E_LANG"
  (cd "$(e2e_dir)" && exec env "${envs[@]}" wine explorer "/desktop=$E2E_DESKTOP,800x600" "$exe") \
    >>"$E2E_CASE_DIR/wine.log" 2>&1 &
  E2E_EXPLORER_PIDS+=($!)
}

# probe COMMAND ARGS...: runs probe.exe on the current desktop.
probe() {
  e2e_wine "$(winepath_of "$E2E_PROBE_DIR/probe.exe")" -d "$E2E_DESKTOP" "$@" 2>>"$E2E_CASE_DIR/probe.log"
}

# ptext TITLE ID: a control's text. Used as "$(ptext ...)" it loses trailing
# line feeds, like any command substitution; use pget where they matter.
ptext() { probe text "$@"; }

# pget VAR PROBE-ARGS...: the probe's output into VAR exactly, trailing line
# ends included.
pget() {
  local __var=$1 __out
  shift
  __out=$(probe "$@"; printf x)
  printf -v "$__var" '%s' "${__out%x}"
}

# e2e_shot NAME: a screenshot of the whole display as $E2E_OUTPUT/NAME.png.
e2e_shot() {
  sleep 0.5  # let the last change be painted
  import -display "$DISPLAY" -window root "$E2E_OUTPUT/$1.png" 2>>"$E2E_CASE_DIR/probe.log" &&
    e2e_log "screenshot $E2E_OUTPUT/$1.png"
}

# Ends what the case started: its programs by name, its explorers by pid,
# its drive-letter server, and the letters it set up.
e2e_stop_all() {
  local exe pid
  for exe in "${E2E_STARTED[@]}"; do
    probe kill "$exe" >/dev/null 2>&1
  done
  for pid in "${E2E_EXPLORER_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  E2E_STARTED=()
  E2E_EXPLORER_PIDS=()
  sg_server_stop
  [ -n "${E2E_LETTERS:-}" ] && sg_letters_remove $E2E_LETTERS
  E2E_LETTERS=
}

# ---- checks --------------------------------------------------------------------

# Every check prints one line; a case fails when any check failed.
e2e_fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  printf '  not ok - %s\n' "$1"
  [ -n "${2:-}" ] && printf '%s\n' "$2" | sed 's/^/      /'
  return 1
}

e2e_pass() { printf '  ok - %s\n' "$1"; }

# check_eq LABEL EXPECTED ACTUAL
check_eq() {
  if [ "$2" = "$3" ]; then
    e2e_pass "$1"
  else
    e2e_fail "$1" "expected: $(printf '%q' "$2")"$'\n'"actual:   $(printf '%q' "$3")"
  fi
}

# check_has LABEL NEEDLE HAYSTACK: the haystack holds the needle.
check_has() {
  case $3 in
    *"$2"*) e2e_pass "$1" ;;
    *) e2e_fail "$1" "missing: $(printf '%q' "$2")"$'\n'"in:      $(printf '%q' "$3")" ;;
  esac
}

# check_lacks LABEL NEEDLE HAYSTACK
check_lacks() {
  case $3 in
    *"$2"*) e2e_fail "$1" "unexpected: $(printf '%q' "$2")"$'\n'"in:         $(printf '%q' "$3")" ;;
    *) e2e_pass "$1" ;;
  esac
}

# check_ok LABEL COMMAND...: the command succeeds.
check_ok() {
  local label=$1
  shift
  if "$@"; then e2e_pass "$label"; else e2e_fail "$label" "command failed: $*"; fi
}

# e2e_require FILE...: skips the case while a program is not built yet.
e2e_require() {
  local item
  for item in "$@"; do
    if [ -z "$(e2e_artifact "$item")" ]; then
      printf '  skip - %s is not built\n' "$item"
      exit 77
    fi
  done
}

# ---- the simulated drive and firmware files --------------------------------------

# e2e_sim_ini [LINES...]: the case's kestrel-sim.ini (one line per argument);
# with no argument, one "intelata" adapter with a Kestrel DRV-320 1.10 at target 0.
e2e_sim_ini() {
  if [ $# -eq 0 ]; then
    set -- "adapter=intelata" \
      'target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"' \
      "programming_ms=3000"
  fi
  printf '%s\r\n' "$@" >"$(e2e_dir)/kestrel-sim.ini"
}

# The simulated drive's request trace of the current case.
e2e_trace() { cat "$(e2e_dir)/kestrel-sim.trace" 2>/dev/null; }

# e2e_make_hex NAME [key=value...]: a firmware file in the case dir (see
# probe/make_firmware.cpp for the keys); prints its Linux path.
e2e_make_hex() {
  local name=$1
  shift
  local tool
  tool=$(e2e_artifact make_firmware.exe)
  e2e_wine "$tool" "$(winepath_of "$(e2e_dir)/$name")" "$@" >>"$E2E_CASE_DIR/probe.log" 2>&1 &&
    printf '%s' "$(e2e_dir)/$name"
}

# ---- the simulated drive behind drive letters (the NT programs) ----------------
#
# Wine opens \\.\E: as $WINEPREFIX/dosdevices/e:: and sends IOCTL_SCSI_* to
# Linux SG_IO on it. With e:: a plain file and libkestrel-sg.so preloaded, the
# kestrel-sim-server answers those requests. These helpers need only
# $WINEPREFIX, so scripts/run uses them too:
#   sg_letters_setup E F        entries, link, registry, fresh wineserver
#   sg_server_start DIR E F     the server of DIR/kestrel-sim.ini for E: and F:
#   env LD_PRELOAD="$(sg_preload_path)" KESTREL_SIM_DEVICES="$SG_DEVICES" wine ...
#   sg_server_stop; sg_letters_remove E F
# In a case: e2e_sim_ini with "letter=E 0 0" lines, then e2e_drive_letters E F;
# e2e_start then starts every program with the library (any NT program).

# The preload library with a literal $LIB: the loader picks i386 or x86_64.
sg_preload_path() { printf '%s/sim/passthrough/$LIB/libkestrel-sg.so' "$E2E_NATIVE_BUILD"; }

sg_server_binary() { printf '%s/sim/passthrough/kestrel-sim-server' "$E2E_NATIVE_BUILD"; }

# sg_letters_setup LETTER...: for each letter a plain file dosdevices/x::
# (the device wineserver opens), a dosdevices/x: link to an empty folder and
# HKLM\Software\Wine\Drives "x:"="cdrom" (so GetDriveTypeW says CD-ROM);
# then a fresh wineserver, since the mount manager reads them at its start.
sg_letters_setup() {
  local letter l dev=$WINEPREFIX/dosdevices reg
  reg=$(mktemp "${TMPDIR:-/tmp}/kestrel-letters.XXXXXX")
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n'
    for letter in "$@"; do
      l=$(tr '[:upper:]' '[:lower:]' <<<"$letter")
      printf '"%s:"="cdrom"\r\n' "$l"
    done
  } >"$reg"
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
  for letter in "$@"; do
    l=$(tr '[:upper:]' '[:lower:]' <<<"$letter")
    rm -rf "${dev:?}/$l::" "$dev/$l:"
    : >"$dev/$l::"
    mkdir -p "$WINEPREFIX/kestrel-letters/$l"
    ln -s "$WINEPREFIX/kestrel-letters/$l" "$dev/$l:"
  done
  LC_ALL=C.UTF-8 timeout 60 wine regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1
  rm -f "$reg"
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
}

# sg_letters_remove LETTER...: the entries go; the registry values stay (a
# letter without its entries is not listed).
sg_letters_remove() {
  local letter l
  for letter in "$@"; do
    l=$(tr '[:upper:]' '[:lower:]' <<<"$letter")
    rm -f "$WINEPREFIX/dosdevices/$l::" "$WINEPREFIX/dosdevices/$l:"
  done
}

# sg_server_start DIR [DEFAULT-LETTER]: starts kestrel-sim-server on DIR's
# kestrel-sim.ini (state and trace there too), waits until it listens, and sets
# SG_SERVER_PID and SG_DEVICES (the KESTREL_SIM_DEVICES value for its letters).
# It ends with the shell that started it, or with sg_server_stop.
sg_server_start() {
  local dir=$1 default=${2:-} line letter l
  SG_SOCKETS=$(mktemp -d "${TMPDIR:-/tmp}/ksg.XXXXXX")
  coproc SG_SERVER { exec "$(sg_server_binary)" "$dir" "$SG_SOCKETS" $default 2>>"$dir/kestrel-sim-server.log"; }
  SG_SERVER_PID=$SG_SERVER_PID
  read -r -t 10 line <&"${SG_SERVER[0]}" || line=
  case $line in
    ready*) ;;
    *) e2e_log "kestrel-sim-server did not start: $(cat "$dir/kestrel-sim-server.log" 2>/dev/null)"
       return 1 ;;
  esac
  SG_DEVICES=
  SG_SERVED=${line#ready}
  for letter in $SG_SERVED; do
    l=$(tr '[:upper:]' '[:lower:]' <<<"$letter")
    SG_DEVICES+="${SG_DEVICES:+;}$WINEPREFIX/dosdevices/$l::=$SG_SOCKETS/$letter.sock"
  done
}

sg_server_stop() {
  if [ -n "${SG_SERVER_PID:-}" ]; then
    kill "$SG_SERVER_PID" 2>/dev/null
    wait "$SG_SERVER_PID" 2>/dev/null
  fi
  SG_SERVER_PID=
  [ -n "${SG_SOCKETS:-}" ] && rm -rf "$SG_SOCKETS"
  SG_SOCKETS=
}

# e2e_drive_letters LETTER...: the case's letters and its server; call after
# e2e_sim_ini (whose "letter=X A T" lines put the drives behind the letters).
# The programs started afterwards reach the simulated drive through them.
e2e_drive_letters() {
  [ -x "$(sg_server_binary)" ] || { e2e_log "not built: $(sg_server_binary)"; return 1; }
  E2E_LETTERS="$*"
  sg_letters_setup "$@"
  sg_server_start "$(e2e_dir)" || return 1
  E2E_SG_DEVICES=$SG_DEVICES
}
