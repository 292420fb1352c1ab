#!/bin/bash
# Runs one case of the table in the guest, in a process of its own:
#   guest_case.sh NAME      (DRIVE_SR, DRIVE_SG, CASE_DIR in the environment)
# A check that fails writes its reason to CASE_DIR/why and ends the case.
set -u
source "$KERNEL_TESTS/cases.sh"
cd "$CASE_DIR" || exit 1
export KESTREL_LOCK_DIR=/run/lock
KESTREL=$KERNEL_NATIVE_BUILD/src/cli/kestrel
MAKE_FIRMWARE=$KERNEL_NATIVE_BUILD/sim/demo/kestrel_make_firmware
TRACING=/sys/kernel/tracing
SG_HEADER=$KERNEL_BUILD_TOOLS/sg_header

fail() {
  echo "$*" >"$CASE_DIR/why"
  echo "FAIL: $*"
  exit 1
}

# kestrel ARGS...: the tool, never at a terminal; its stderr in $CASE_DIR/err.
kestrel() { "$KESTREL" "$@" </dev/null 2>"$CASE_DIR/err"; }
err() { cat "$CASE_DIR/err"; }

expect_has() {  # WHAT NEEDLE TEXT
  [[ $3 == *"$2"* ]] || fail "$1: no \"$2\" in: $(head -c 400 <<<"$3")"
}
expect_eq() {  # WHAT WANTED GOT
  [ "$2" = "$3" ] || fail "$1: wanted \"$2\", got \"$3\""
}
json() { jq -r "$1" <<<"$2"; }  # FILTER TEXT

make_hex() {  # NAME key=value...
  "$MAKE_FIRMWARE" "$CASE_DIR/$1" "${@:2}" >/dev/null || fail "cannot make $1"
}

# ---- the kernel's own record of what went to a device: scsi tracepoints ----
# scsi_traced CMD...: runs CMD with the dispatch tracepoint on; SCSI_OPS then
# holds the opcodes the kernel sent to the case's device, in order.
scsi_traced() {
  local address rc
  address=$(basename "$(readlink -f "/sys/class/scsi_generic/${DRIVE_SG##*/}/device")")
  IFS=: read -r host channel id lun <<<"$address"
  echo 0 >$TRACING/tracing_on
  : >$TRACING/trace
  echo 1 >$TRACING/events/scsi/scsi_dispatch_cmd_start/enable
  echo 1 >$TRACING/tracing_on
  "$@"
  rc=$?
  echo 0 >$TRACING/tracing_on
  SCSI_OPS=$(grep "host_no=$host channel=$channel id=$id lun=$lun " $TRACING/trace |
    sed -n 's/.*raw=\([0-9a-f][0-9a-f]\).*/\1/p' | tr '\n' ' ')
  return $rc
}

# ---- the simulated drive's own trace --------------------------------------
trace_mark() { TRACE_MARK=$(wc -l <"$CASE_DIR/kestrel-sim.trace" 2>/dev/null || echo 0); }
# trace_since: the command lines after the mark, without the CR.
trace_since() { tail -n +$((${TRACE_MARK:-0} + 1)) "$CASE_DIR/kestrel-sim.trace" | tr -d '\r' | grep '^cmd'; }
# trace_count PATTERN: how many of those lines hold the pattern (grep -E).
trace_count() { trace_since | grep -cE "$1"; }

read -r _ check _ node _ <<<"$(case_row "$1")"
# DEV is the node the case works through, OTHER the same drive's other node.
if [ "$node" = sg ]; then DEV=$DRIVE_SG OTHER=$DRIVE_SR; else DEV=$DRIVE_SR OTHER=$DRIVE_SG; fi
"case_$check"
