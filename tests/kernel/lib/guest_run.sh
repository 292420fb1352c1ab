#!/bin/bash
# The guest runner, chrooted into the host's root: runs every selected case
# of the table, each on a drive of its own, and writes "PASS name" or
# "FAIL name: why" lines to WORK/results.
#   guest_run.sh WORK
set -u
work=$1
source "$work/settings"
source "$KERNEL_TESTS/lib/guest_drive.sh"
source "$KERNEL_TESTS/cases.sh"
cut -d' ' -f1 /proc/uptime >"$work/boot-seconds"
export KERNEL_TESTS KERNEL_NATIVE_BUILD KERNEL_BUILD_TOOLS

CASE_TIMEOUT=250
record() {  # STATUS NAME WHY SECONDS
  local line="$1 $2${3:+: $3}"
  echo "$line" >>"$work/results"
  echo "$line (${4:-0}s)"
}

# run_one NAME: the case on its own drive, then its line.
run_one() {
  local name=$1 drive limit sim dir begin rc why
  read -r _ _ drive _ limit sim <<<"$(case_row "$name")"
  dir=$work/cases/$name
  mkdir -p "$dir"
  case_ini "$sim" >"$dir/kestrel-sim.ini"
  begin=$(cut -d' ' -f1 /proc/uptime)
  if [ "$drive" = qemu ]; then
    qemu_drive >"$dir/drive.log" || { record FAIL "$name" "$(cat "$dir/drive.log")"; return; }
  elif ! drive_up "$name" "$dir" "$limit" >"$dir/drive.log" 2>&1; then
    record FAIL "$name" "the drive did not come up: $(tail -n 1 "$dir/drive.log")"
    drive_down "$name"
    return
  fi
  DRIVE_SR=$DRIVE_SR DRIVE_SG=$DRIVE_SG CASE_DIR=$dir \
    timeout -k 5 "$(case_timeout "$name" "$CASE_TIMEOUT")" bash "$KERNEL_TESTS/lib/guest_case.sh" "$name" >"$dir/case.log" 2>&1
  rc=$?
  local took
  took=$(awk -v b="$begin" '{ printf "%.0f", $1 - b }' /proc/uptime)
  if [ $rc -eq 0 ]; then
    record PASS "$name" "" "$took"
  elif [ $rc -ge 124 ] && [ ! -s "$dir/why" ]; then
    record FAIL "$name" "did not end within $(case_timeout "$name" "$CASE_TIMEOUT")s" "$took"
  else
    record FAIL "$name" "$(cat "$dir/why" 2>/dev/null || echo "exit $rc")" "$took"
  fi
  [ "$drive" = qemu ] || drive_down "$name"
}

# Rows marked sim& wait on the drive for minutes: they run beside the rows
# that follow them.
background=()
while read -r name; do
  if [ "$(case_row "$name" | awk '{ print $3 }')" = "sim&" ]; then
    run_one "$name" &
    background+=($!)
  else
    run_one "$name"
  fi
done <"$work/selected"
[ ${#background[@]} -eq 0 ] || wait "${background[@]}"
