#!/bin/bash
# `kestrel firmware info` against objcopy's HEX-to-binary conversion of the
# same two-part firmware file (every byte of both parts and trailers, 16-byte
# records, about 740 KB), as whole processes: the two commands run one after
# the other N times, so a change of the machine's load touches both, and the
# medians and their ratio are printed.
#
#   bench/startup_vs_objcopy.sh [N]      (N runs of each, 200 unless given)
#
# Needs kestrel and kestrel_make_firmware of a native build (KESTREL_NATIVE_BUILD,
# build/native unless set; KESTREL_BIN names another kestrel binary, such as
# an earlier build's copy) and objcopy (binutils). The times include the
# fork and exec of each process; the load average before and after says how
# busy the machine was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTREL_NATIVE_BUILD:-$root/build/native}
runs=${1:-200}
kestrel=${KESTREL_BIN:-$build/src/cli/kestrel}
maker=$build/sim/demo/kestrel_make_firmware
for tool in "$kestrel" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool (ninja -C $build kestrel kestrel_make_firmware)" >&2; exit 1; }
done
command -v objcopy >/dev/null || { echo "objcopy is missing (package binutils)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/two.hex" cpu2="HITACHI H8_3062R"
"$kestrel" firmware info "$work/two.hex" >/dev/null || { echo "kestrel cannot read the file" >&2; exit 1; }
objcopy -I ihex -O binary "$work/two.hex" "$work/out.bin"

# run_timed LIST CMD...: runs the command and appends its wall time to
# LIST.us; its CPU time (user + system, from bash's own `times`, in ms) is
# added to cpu[LIST]. Nothing here starts a process besides the command.
declare -A cpu=([kestrel]=0 [objcopy]=0)
children_ms() {  # sets ms: user + system time of every child so far
  local user system
  times >"$work/times"
  { read -r _; read -r user system; } <"$work/times"
  ms=0
  for value in "$user" "$system"; do
    local minutes=${value%%m*} seconds=${value#*m}
    seconds=${seconds%s}
    ms=$((ms + minutes * 60000 + 10#${seconds/./}))
  done
}
run_timed() {
  local list=$1 start end before
  shift
  children_ms
  before=$ms
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  children_ms
  cpu[$list]=$((cpu[$list] + ms - before))
  echo $((${end/./} - ${start/./})) >>"$work/$list.us"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

echo "load before: $(cut -d ' ' -f 1-3 /proc/loadavg)"
# A few runs of each first, so both start from a warm page cache.
for _ in 1 2 3; do
  "$kestrel" firmware info "$work/two.hex" >/dev/null
  objcopy -I ihex -O binary "$work/two.hex" "$work/out.bin"
done
: >"$work/kestrel.us"
: >"$work/objcopy.us"
for ((i = 0; i < runs; i++)); do
  run_timed kestrel "$kestrel" firmware info "$work/two.hex"
  run_timed objcopy objcopy -I ihex -O binary "$work/two.hex" "$work/out.bin"
done
echo "load after:  $(cut -d ' ' -f 1-3 /proc/loadavg)"

k=$(median <"$work/kestrel.us")
o=$(median <"$work/objcopy.us")
echo "runs of each: $runs"
awk -v k="$k" -v o="$o" -v kc="${cpu[kestrel]}" -v oc="${cpu[objcopy]}" -v n="$runs" 'BEGIN {
  printf "%-42s wall median %6d us, CPU mean %6.0f us\n", "kestrel firmware info two.hex:", k, kc * 1000 / n
  printf "%-42s wall median %6d us, CPU mean %6.0f us\n", "objcopy -I ihex -O binary two.hex out.bin:", o, oc * 1000 / n
  printf "ratio kestrel/objcopy: wall %.2f, CPU %.2f\n", k / o, oc ? kc / oc : 0
}'
