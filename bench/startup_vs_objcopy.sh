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
# build/native unless set) and objcopy (binutils). The times include the
# fork and exec of each process; the load average before and after says how
# busy the machine was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTREL_NATIVE_BUILD:-$root/build/native}
runs=${1:-200}
kestrel=$build/src/cli/kestrel
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

# micros CMD...: the command's wall time in microseconds (bash's own clock, no
# extra process around it).
micros() {
  local start=$EPOCHREALTIME end
  "$@" >/dev/null
  end=$EPOCHREALTIME
  echo $(( (${end/./} - ${start/./}) ))
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
  micros "$kestrel" firmware info "$work/two.hex" >>"$work/kestrel.us"
  micros objcopy -I ihex -O binary "$work/two.hex" "$work/out.bin" >>"$work/objcopy.us"
done
echo "load after:  $(cut -d ' ' -f 1-3 /proc/loadavg)"

k=$(median <"$work/kestrel.us")
o=$(median <"$work/objcopy.us")
echo "runs of each: $runs"
echo "kestrel firmware info two.hex:             median $k us"
echo "objcopy -I ihex -O binary two.hex out.bin: median $o us"
awk -v k="$k" -v o="$o" 'BEGIN { printf "ratio kestrel/objcopy: %.2f\n", k / o }'
