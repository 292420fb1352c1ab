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

CASE_TIMEOUT=300
record() {  # STATUS NAME WHY SECONDS SETUP-SECONDS
  local line="$1 $2${3:+: $3}"
  echo "$line" >>"$work/results"
  echo "$line (${4:-0}s, drive ready after ${5:-0}s)"
}

# run_one NAME: the case on its own drive, then its line.
run_one() {
  local name=$1 drive limit sim dir begin rc why
  read -r _ _ drive _ _ limit sim <<<"$(case_row "$name")"
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
  local ready
  ready=$(awk -v b="$begin" '{ printf "%.1f", $1 - b }' /proc/uptime)
  DRIVE_SR=$DRIVE_SR DRIVE_SG=$DRIVE_SG CASE_DIR=$dir \
    timeout -k 5 "$(case_timeout "$name" "$CASE_TIMEOUT")" bash "$KERNEL_TESTS/lib/guest_case.sh" "$name" >"$dir/case.log" 2>&1
  rc=$?
  local took
  took=$(awk -v b="$begin" '{ printf "%.0f", $1 - b }' /proc/uptime)
  if [ $rc -eq 0 ]; then
    record PASS "$name" "" "$took" "$ready"
  elif [ $rc -ge 124 ] && [ ! -s "$dir/why" ]; then
    record FAIL "$name" "did not end within $(case_timeout "$name" "$CASE_TIMEOUT")s" "$took" "$ready"
  else
    record FAIL "$name" "$(cat "$dir/why" 2>/dev/null || echo "exit $rc")" "$took" "$ready"
  fi
  [ "$drive" = qemu ] || drive_down "$name"
}

# How a row runs (the table's run column): "alone" with nothing else (its
# tool opens every drive), "beside" in the background from its place on
# (it waits on its drive for minutes), "lane" in one of $lanes lanes, each
# taking the rows in turn.
lanes=${KERNEL_LANES:-2}
batch=()
run_batch() {
  local lane pids=() i
  for ((lane = 0; lane < lanes; lane++)); do
    (for ((i = lane; i < ${#batch[@]}; i += lanes)); do run_one "${batch[$i]}"; done) &
    pids+=($!)
  done
  wait "${pids[@]}"
  batch=()
}
background=()
while read -r name; do
  case $(case_row "$name" | awk '{ print $5 }') in
    alone) run_batch; run_one "$name" ;;
    beside) run_one "$name" & background+=($!) ;;
    *) batch+=("$name") ;;
  esac
done <"$work/selected"
run_batch
[ ${#background[@]} -eq 0 ] || wait "${background[@]}"
