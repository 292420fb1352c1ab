# The NT programs under Wine in the guest, on the simulated drive's own sr
# node: letter E is dosdevices/e:: -> /dev/srN, so Wine's own pass-through
# reaches the kernel's SG_IO; no preload library, no socket server. Sourced
# by cases.sh (the rows whose check starts with wine_); the programs' windows
# are driven by the e2e probe and the e2e harness's functions.
#
# Wine under TCG is slow (a prefix takes a minute, each "wine reg" 25 s), so
# the prefix is made once on the host with the same Wine, with letter E's
# registry value in the same server session, and unpacked into the guest's
# tmpfs by the first Wine row.

WINE_FILES=(TARN2K.EXE MERE2K.EXE BECK2K.EXE probe.exe kprobehook.dll)
WINE_TESTS=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# A case under Wine takes minutes under TCG: its own limit in the guest.
WINE_CASE_SECONDS=480

# wine_rows NAME...: true when one of the rows runs a program under Wine.
wine_rows() {
  local name
  for name in "$@"; do
    [[ $(case_row "$name" | awk '{ print $2 }') == wine_* ]] && return 0
  done
  return 1
}

# case_memory NAME...: the guest's MiB. A prefix in the guest's tmpfs and a
# program running take about 900 MiB.
case_memory() { if wine_rows "$@"; then echo 2048; else echo 1024; fi; }

# case_timeout NAME SECONDS: the row's limit, SECONDS unless it runs Wine.
case_timeout() { if wine_rows "$1"; then echo "$WINE_CASE_SECONDS"; else echo "$2"; fi; }

# wine_seconds NAME...: what the Wine rows add to the guest's whole limit.
wine_seconds() {
  local name total=0
  for name in "$@"; do wine_rows "$name" && total=$((total + WINE_CASE_SECONDS)); done
  echo "$total"
}

# ---- on the host, before the guest starts -----------------------------------

# wine_host_setup NAME...: for Wine rows, $KERNEL_BUILD/wine holds the
# prefix and the programs (from KERNEL_WIN32_BUILD, default build/win32).
wine_host_setup() {
  wine_rows "$@" || return 0
  local dir=$KERNEL_BUILD/wine win32=${KERNEL_WIN32_BUILD:-$WINE_TESTS/../../build/win32} file found
  command -v wine >/dev/null && command -v Xvfb >/dev/null || { echo "wine or Xvfb is missing"; return 1; }
  mkdir -p "$dir/win32"
  for file in "${WINE_FILES[@]}"; do
    found=$(find "$win32" -path '*/CMakeFiles' -prune -o -type f -iname "$file" -print 2>/dev/null | head -n 1)
    [ -n "$found" ] || { echo "$file is not built in $win32"; return 1; }
    cp "$found" "$dir/win32/"
  done
  wine_prefix_make "$dir" || return 1
  # KERNEL_WINE_STRACE=1: the programs' ioctls (SG_IO in full) in each Wine
  # row's folder, sg_io.strace.
  rm -f "$dir/strace"
  [ -z "${KERNEL_WINE_STRACE:-}" ] || : >"$dir/strace"
}

# wine_prefix_make DIR: DIR/prefix, remade when Wine or this recipe changes.
wine_prefix_make() {
  local dir=$1 stamp
  stamp="$(wine --version) $(declare -f wine_prefix_make wine_prefix_slim | cksum)"
  [ "$(cat "$dir/prefix/kestrel-stamp" 2>/dev/null)" = "$stamp" ] && [ -f "$dir/prefix.tar" ] && return 0
  rm -rf "$dir/prefix" "$dir/prefix.tar"
  (
    source "$WINE_TESTS/../e2e/lib/harness.sh"
    export WINEPREFIX=$dir/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    LC_ALL=C.UTF-8 timeout 300 wineboot -i || exit 1
    # Read by the mount manager when the server starts: E: is a CD-ROM drive.
    LC_ALL=C.UTF-8 timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d cdrom /f || exit 1
    e2e_prefix_fonts "$dir"
    E2E_LANG=en
    e2e_dialog_font en
    timeout 60 wineserver -w
  ) >"$dir/prefix.log" 2>&1 || { echo "the Wine prefix could not be made: $(tail -n 3 "$dir/prefix.log")"; return 1; }
  wine_prefix_slim "$dir/prefix"
  echo "$stamp" >"$dir/prefix/kestrel-stamp"
  # One file over 9p: a copy of the folder's 900 entries takes a minute.
  tar -C "$dir" -cf "$dir/prefix.tar" prefix
}

# wine_prefix_slim PREFIX: Wine copies its own DLLs and tables into each
# prefix (590 MB); links to them leave 3 MB to copy into the guest, where the
# host's root is the userland.
wine_prefix_slim() {
  local file base own
  while IFS= read -r -d '' file; do
    base=${file##*/}
    for own in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/share/wine/nls; do
      if [ -f "$own/$base" ] && cmp -s "$file" "$own/$base"; then
        ln -sf "$own/$base" "$file"
        break
      fi
    done
  done < <(find "$1" -type f -print0)
}

# ---- in the guest: one Wine session for the rows -----------------------------
# Starting Wine's services cold takes 2-3 minutes under TCG, so the first
# Wine row's session (Xvfb, the prefix, the server, one desktop and one
# serving probe) is kept for the next rows after a row that passed; each
# row points letter E at its own drive's sr node and starts its program.
WINE_SESSION=/tmp/kestrel-wine
WINE_DESKTOP=kestrel

# wine_session: the session, letter E on $DEV, the e2e harness's state, and
# the kernel's SCSI trace of the drive until the case ends (scsi.trace).
wine_session() {
  local wine=$KERNEL_BUILD_TOOLS/wine
  source "$WINE_TESTS/../e2e/lib/harness.sh"
  probe() { wine_probe "$@"; }
  E2E_WIN32_BUILD=$wine/win32 E2E_OUTPUT=$CASE_DIR E2E_JA_LOCPATH=
  E2E_RUN=$WINE_SESSION E2E_PROBE_DIR=$WINE_SESSION/probe
  # The programs run from the tmpfs: from the 9p work folder TARN2K.EXE's
  # image faulted on a write to its own first page.
  E2E_CASE=$(basename "$CASE_DIR") E2E_CASE_DIR=$WINE_SESSION/cases/$(basename "$CASE_DIR")
  E2E_FAILED=0 E2E_STARTS=0 E2E_STARTED=() E2E_EXPLORER_PIDS=()
  e2e_lang en
  # The probe's own waits (the desktop's appearance, a click handled).
  export KPROBE_TIMEOUT=180000
  trap wine_case_end EXIT
  trap 'exit 1' TERM
  wine_step "case"
  if [ -f "$WINE_SESSION/settings" ] && kill -0 "$(cat "$WINE_SESSION/probe.pid" 2>/dev/null)" 2>/dev/null; then
    source "$WINE_SESSION/settings"
    export DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
  else
    rm -rf "$WINE_SESSION"
    mkdir -p "$E2E_PROBE_DIR"
    cp "$wine/win32/probe.exe" "$wine/win32/kprobehook.dll" "$E2E_PROBE_DIR/"
    e2e_start_display || fail "Xvfb did not start"
    tar -C "$WINE_SESSION" -xf "$wine/prefix.tar" || fail "the prefix could not be unpacked"
    export WINEPREFIX=$WINE_SESSION/prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX/kestrel-letters/e"
    ln -s "$WINEPREFIX/kestrel-letters/e" "$WINEPREFIX/dosdevices/e:"
    local var
    for var in DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES E2E_XVFB_PID; do
      printf '%s=%q\n' "$var" "${!var}"
    done >"$WINE_SESSION/settings"
    wine_step "new session: display $DISPLAY, prefix"
  fi
  mkdir -p "$E2E_CASE_DIR"
  # Opened by path at each CreateFile of \\.\E:.
  ln -sfn "$DEV" "$WINEPREFIX/dosdevices/e::"
  scsi_trace_start
}

# The row's programs end through the probe; a row that failed ends the
# whole session (the prefix's server ends every Wine process).
wine_case_end() {
  local rc=$? exe
  [ "$E2E_FAILED" = 0 ] || [ -z "${PROBE_IN:-}" ] ||
    { WINE_PROBE_WAIT=30 probe windows; WINE_PROBE_WAIT=30 probe processes; } >"$CASE_DIR/windows.txt" 2>&1
  scsi_trace_stop
  cp "$E2E_CASE_DIR"/*.log "$CASE_DIR/" 2>/dev/null
  [ -f "$WINE_SESSION/probe.log" ] && cp "$WINE_SESSION/probe.log" "$CASE_DIR/"
  if [ $rc = 0 ] && [ "$E2E_FAILED" = 0 ]; then
    for exe in "${E2E_STARTED[@]}"; do WINE_PROBE_WAIT=60 probe kill "$exe" >/dev/null; done
    return
  fi
  wineserver -k 2>/dev/null
  timeout 10 wineserver -w 2>/dev/null
  [ -n "${E2E_XVFB_PID:-}" ] && kill "$E2E_XVFB_PID" 2>/dev/null
  rm -rf "$WINE_SESSION"
}

# wine_start EXE: the program on the session's desktop (e2e_start), and the
# one probe serving every probe command: under TCG each Wine process takes
# 10 s or more to start. Its stdin is opened read-write so that it never
# sees an end while no row writes.
wine_start() {
  if [ -f "$KERNEL_BUILD_TOOLS/wine/strace" ]; then
    mkdir -p "$WINE_SESSION/strace"
    printf '#!/bin/sh\nexec strace -f -qq --seccomp-bpf -e trace=ioctl -e signal=none -s 16 -o %q /usr/bin/wine "$@"\n' \
      "$CASE_DIR/sg_io.strace" >"$WINE_SESSION/strace/wine"
    chmod +x "$WINE_SESSION/strace/wine"
    PATH=$WINE_SESSION/strace:$PATH e2e_start "$1" "$WINE_DESKTOP"
  else
    e2e_start "$1" "$WINE_DESKTOP"
  fi
  if ! kill -0 "$(cat "$WINE_SESSION/probe.pid" 2>/dev/null)" 2>/dev/null; then
    rm -f "$WINE_SESSION/probe.in" "$WINE_SESSION/probe.out"
    mkfifo "$WINE_SESSION/probe.in" "$WINE_SESSION/probe.out"
    e2e_wine "$(winepath_of "$E2E_PROBE_DIR/probe.exe")" -d "$WINE_DESKTOP" serve \
      <>"$WINE_SESSION/probe.in" >"$WINE_SESSION/probe.out" 2>>"$WINE_SESSION/probe.log" &
    echo $! >"$WINE_SESSION/probe.pid"
  fi
  exec {PROBE_IN}>"$WINE_SESSION/probe.in" {PROBE_OUT}<"$WINE_SESSION/probe.out"
}

# wine_probe COMMAND ARGS...: the e2e harness's probe, through the serving
# one (wine_session puts it in the harness's place).
wine_probe() {
  local out rc
  printf '%s\x1f' "$@" >&"$PROBE_IN"
  printf '\x1e' >&"$PROBE_IN"
  IFS= read -r -d $'\x1e' -t "${WINE_PROBE_WAIT:-600}" -u "$PROBE_OUT" out || return 1
  read -r -t 60 -u "$PROBE_OUT" rc
  printf '%s' "$out"
  return "${rc:-1}"
}

# wine_step WHAT: the guest's clock at each step, in the case's log.
wine_step() { echo "[$(cut -d' ' -f1 /proc/uptime)] $*"; }

# must LABEL COMMAND...: a check the rest of the case depends on.
must() { check_ok "$@" || fail "$1"; }

# wine_checked: fails the case with the labels of its failed checks.
wine_checked() {
  [ "$E2E_FAILED" = 0 ] || fail "$E2E_FAILED checks failed: $(grep -o 'not ok - .*' "$CASE_DIR/case.log" | sed 's/not ok - //' | paste -sd';')"
}

# The kernel's own record, with the process that sent each command.
scsi_trace_start() {
  local address
  address=$(basename "$(readlink -f "/sys/class/scsi_generic/${DRIVE_SG##*/}/device")")
  echo 0 >$TRACING/tracing_on
  : >$TRACING/trace
  local event
  for event in scsi_dispatch_cmd_start scsi_dispatch_cmd_done scsi_dispatch_cmd_timeout; do
    echo "host_no == ${address%%:*}" >$TRACING/events/scsi/$event/filter
    echo 1 >$TRACING/events/scsi/$event/enable
  done
  echo 1 >$TRACING/tracing_on
}

scsi_trace_stop() {
  echo 0 >$TRACING/tracing_on
  cat $TRACING/trace >"$CASE_DIR/scsi.trace"
  local event
  for event in scsi_dispatch_cmd_start scsi_dispatch_cmd_done scsi_dispatch_cmd_timeout; do
    echo 0 >$TRACING/events/scsi/$event/enable
    echo 0 >$TRACING/events/scsi/$event/filter
  done
}

# ---- the cases ------------------------------------------------------------------

TARN2K_TITLE="Firmware Update Utility for Win2000/XP"

# TARN2K's whole update through letter E: the file, the confirmation, the
# programming and its wait, the verification and the rebuilt list; then
# kestrel reads the flash back through the kernel and compares it with the
# file's image.
case_wine_tarn2k() {
  local T=$TARN2K_TITLE CONFIRM="Confirmation of update" log out
  make_hex new.hex revision=1.20 date=2004/01/15
  wine_session
  e2e_install TARN2K.EXE || fail "TARN2K.EXE is missing"
  trace_mark
  wine_start TARN2K.EXE
  must "TARN2K's window appears" probe wait-window "$T" 240000
  wine_step "window"
  check_eq "the drive is listed" "E: KESTREL DVD-ROM DRV-320  1.10" "$(probe combo-items "$T" 1000)"
  probe click "$T" 1010
  must "the Open dialog takes the file" probe open-file "$CASE_DIR/new.hex" 60000
  probe sync "$T"
  check_eq "the file's firmware" "KESTREL DVD-ROM DRV-320 1.20 2004/01/15" "$(ptext "$T" 1002)"
  probe click "$T" 1011
  must "confirmation window" probe wait-window "$CONFIRM" 60000
  check_eq "From: the drive's firmware" "KESTREL DVD-ROM DRV-320  1.10  2003/05/12" "$(ptext "$CONFIRM" 1010)"
  check_eq "nothing written before the confirmation" 0 "$(trace_count 'cdb=3b ')"
  probe click "$CONFIRM" 1
  wine_step "confirmed"
  pget log wait-text "$T" 1012 "Update operation" 240000
  wine_step "update ended"
  check_has "update succeeded" \
    $'Start update !\r\nSuccess to verify new firmware.\r\nUpdate operation completed successfully.\r\n' "$log"
  check_ok "progress window closed" probe wait-gone "Now processing..." 60000
  check_eq "the list is rebuilt with the new revision" "E: KESTREL DVD-ROM DRV-320  1.20" \
    "$(probe combo-items "$T" 1000)"
  probe click "$T" 1009
  check_ok "Exit ends TARN2K" probe wait-exit TARN2K.EXE 60000
  wine_step "exit"
  check_eq "prepare, blocks, programming (good)" "1 5 1" \
    "$(trace_count 'cdb=3b [0-9a-f]{2} 30 .*status=good') $(trace_count 'cdb=3b [0-9a-f]{2} ff .*status=good') $(trace_count 'cdb=3b [0-9a-f]{2} 42 .*status=good')"
  check_eq "READ BUFFER blocks read back after the programming" "000000 008000 010000 018000 " \
    "$(TRACE_MARK=$(trace_since_line 'cdb=3b [0-9a-f]{2} 42 ') flash_blocks)"
  out=$(kestrel firmware info new.hex --device "$DRIVE_SG" --json)
  check_eq "kestrel: the drive after the update" "1.20 2004/01/15" \
    "$(json '"\(.drive.revision) \(.drive.firmwareDate)"' "$out")"
  kestrel firmware backup "$DRIVE_SG" after.bin >/dev/null || fail "backup after the update: $(err)"
  check_eq "the flash against the file's image (first differing offset)" "" "$(image_differs new.hex after.bin)"
  wine_checked
}

# trace_since_line PATTERN: the trace mark at the last line holding PATTERN.
trace_since_line() {
  local at
  at=$(tr -d '\r' <"$CASE_DIR/kestrel-sim.trace" | grep -nE "$1" | tail -n 1 | cut -d: -f1)
  echo "${at:-0}"
}

MERE2K_TITLE="Region Utility for Windows2000"

# MERE2K's start-up report and a change to region 2, against kestrel and
# regionset before and after.
case_wine_mere2k() {
  local T=$MERE2K_TITLE log out
  out=$(kestrel region "$DRIVE_SG" --json) || fail "region: $(err)"
  expect_eq "kestrel: region before" "null 5 1,2" "$(json '"\(.rpc.region) \(.rpc.changesLeft) \(.discRegions | join(","))"' "$out")"
  wine_session
  e2e_install MERE2K.EXE || fail "MERE2K.EXE is missing"
  trace_mark
  wine_start MERE2K.EXE
  must "MERE2K's window appears" probe wait-window "$T" 240000
  wine_step "window"
  pget log wait-text "$T" 1006 "This disc" 60000
  check_eq "start-up report" $'Drive has no region.\r\nThis disc is allowed region 1 2\r\n' "$log"
  check_eq "the letter is listed" "E: KESTREL DVD-ROM DRV-320 " "$(ptext "$T" 1005)"
  check_eq "count label" "Regional code can be changed 5time(s)" "$(ptext "$T" 1022)"
  probe click "$T" 1008
  probe click "$T" 1019
  pget log wait-text "$T" 1006 $'region is 2.\r\nThis disc' 60000
  wine_step "region set"
  check_has "change to region 2" \
    $'Success to set regional code.\r\nDrive\'s region is 2.\r\nThis disc is allowed region 1 2\r\n' "$log"
  check_eq "one change fewer" "Regional code can be changed 4time(s)" "$(ptext "$T" 1022)"
  probe click "$T" 1020
  check_ok "Exit ends MERE2K" probe wait-exit MERE2K.EXE 60000
  wine_step "exit"
  check_eq "SEND KEY (set region) lines" 1 "$(trace_count 'cdb=a3 .*status=good')"
  out=$(kestrel region "$DRIVE_SG" --json) || fail "region after: $(err)"
  check_eq "kestrel: region after" "2 4 253" "$(json '"\(.rpc.region) \(.rpc.changesLeft) \(.rpc.mask)"' "$out")"
  check_eq "regionset after" 2 "$(regionset_region)"
  wine_checked
}

BECK2K_TITLE="Speed Control Utility"

# BECK2K's Drive Information against page 2Ah as sg_modes reads it, then
# Set speed with 8X against kestrel speed.
case_wine_beck2k() {
  local T=$BECK2K_TITLE log speeds
  speeds=$(page_2a_speeds "$DRIVE_SG")
  [ -n "$speeds" ] || fail "sg_modes read no page 2Ah"
  wine_session
  e2e_install BECK2K.EXE || fail "BECK2K.EXE is missing"
  trace_mark
  wine_start BECK2K.EXE
  must "BECK2K's window appears" probe wait-window "$T" 240000
  wine_step "window"
  check_has "the drive of letter E is listed" "E: KESTREL DVD-ROM DRV-320" "$(ptext "$T" 1001)"
  probe click "$T" 1008
  pget log wait-text "$T" 1012 "Maximum Speed =" 60000
  wine_step "drive information"
  check_eq "Drive Information's speeds against sg_modes -p 0x2a (current, maximum)" "$speeds" \
    "$(sed -n 's/^Current Speed = \([0-9]*\)kbytes.*/\1/p; s/^Maximum Speed = \([0-9]*\)kbytes.*/\1/p' <<<"${log//$'\r'/}" | paste -sd' ')"
  probe combo-select "$T" 1010 2
  probe click "$T" 1003
  pget log wait-text "$T" 1012 "(8X)" 60000
  check_has "Set speed with 8X" $'Speed : 1408kbytes/s (8X).\r\n' "$log"
  probe click "$T" 1009
  check_ok "Exit ends BECK2K" probe wait-exit BECK2K.EXE 60000
  wine_step "exit"
  check_eq "SET CD SPEED lines asking 1408 (0580h)" 1 "$(trace_count 'cdb=bb [0-9a-f]{2} 05 80 .*status=good')"
  check_eq "kestrel speed: current after" 1408 "$(json .currentSpeed "$(kestrel speed "$DRIVE_SG" --json)")"
  wine_checked
}
