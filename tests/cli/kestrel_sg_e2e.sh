#!/usr/bin/env bash
# kestrel through the real ioctl path: kestrel-sim-server serves a simulated
# drive, libkestrel-sg.so answers SG_IO on a plain file standing for /dev/sr0,
# and kestrel's list finds it there (KESTREL_DEV_DIR). Then backup, update,
# region set and speed set on it; a signal during the update's flash, and a
# second kestrel while the first holds the drive.
#
#   kestrel_sg_e2e.sh KESTREL SIM-SERVER LIBKESTREL-SG MAKE-FIRMWARE
set -euo pipefail
kestrel=$1 server=$2 sg=$3 make_firmware=$4

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/sim" "$work/sock" "$work/dev" "$work/lock"
cat >"$work/sim/kestrel-sim.ini" <<'INI'
adapter=intelata
target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"
programming_ms=300
disc=css
disc_rmi=FC
letter=E 0 0
INI
: >"$work/dev/sr0"
"$make_firmware" "$work/new.hex" revision=1.20 date=2003/07/15

coproc SERVER { exec "$server" "$work/sim" "$work/sock"; }
server_pid=$SERVER_PID
read -r -t 20 ready <&"${SERVER[0]}" || fail "the server did not start"
[ "$ready" = "ready E" ] || fail "server said: $ready"

# sysfs: sr0 and sg1 are CD/DVD devices, sg0 a disk; sg1 is no device node.
for entry in block/sr0:5 class/scsi_generic/sg0:0 class/scsi_generic/sg1:5; do
  mkdir -p "$work/sys/${entry%:*}/device"
  echo "${entry#*:}" >"$work/sys/${entry%:*}/device/type"
done
: >"$work/dev/sg0"
mkdir "$work/dev/sg1"

k() {
  KESTREL_DEV_DIR="$work/dev" KESTREL_SYS_DIR="$work/sys" KESTREL_LOCK_DIR="$work/lock" \
    KESTREL_SIM_DEVICES="$work/dev/sr0=$work/sock/E.sock" \
    LD_PRELOAD="$sg" "$kestrel" "$@"
}
dev=$work/dev/sr0

list=$(k list 2>"$work/list.err")
echo "$list"
# The disk is never opened; the node that could not be, said once.
[ "$(cat "$work/list.err")" = "kestrel: 1 device could not be opened ($work/dev/sg1): is a directory" ] ||
  fail "list said: $(cat "$work/list.err")"
grep -q "^$dev  *KESTREL  DVD-ROM DRV-320  1.10 2003/05/12 supported, generation 6" <<<"$list" ||
  fail "list did not find the drive on $dev"

k firmware backup "$dev" "$work/before.bin"
[ "$(stat -c %s "$work/before.bin")" = 131072 ] || fail "backup is not 128 KB"

k firmware update "$dev" "$work/new.hex" --yes --programming-wait 1 --json >"$work/update.json" </dev/null ||
  fail "update failed: $(cat "$work/update.json")"
grep -q '"outcome": "updated"' "$work/update.json" || fail "update: $(cat "$work/update.json")"
k list | grep -q "1.20 2003/07/15" || fail "list does not show the new revision"
k firmware backup "$dev" "$work/after.bin"
cmp -s "$work/before.bin" "$work/after.bin" && fail "the backup after the update is unchanged"

# SIGTERM once the flash has begun (after the yes): the update finishes; a
# second kestrel meanwhile finds the drive busy and sends nothing.
"$make_firmware" "$work/newer.hex" revision=1.30 date=2003/09/01
(
  export KESTREL_DEV_DIR="$work/dev" KESTREL_LOCK_DIR="$work/lock" \
    KESTREL_SIM_DEVICES="$work/dev/sr0=$work/sock/E.sock" LD_PRELOAD="$sg"
  exec "$kestrel" firmware update "$dev" "$work/newer.hex" --yes --programming-wait 3 --json \
    >"$work/signal.json" 2>"$work/signal.err" </dev/null
) &
update_pid=$!
for _ in $(seq 100); do grep -q "(--yes)" "$work/signal.err" && break; sleep 0.1; done
sleep 0.5
kill -TERM "$update_pid"
busy=0
k mode "$dev" quiet --yes 2>"$work/busy.err" </dev/null || busy=$?
[ "$busy" = 1 ] && grep -q "drive busy" "$work/busy.err" || fail "second kestrel: $busy $(cat "$work/busy.err")"
status=0
wait "$update_pid" || status=$?
[ "$status" = 0 ] || fail "update after SIGTERM ended with $status: $(cat "$work/signal.err")"
grep -q "the flash is being written and the update will finish" "$work/signal.err" ||
  fail "no word on the signal: $(cat "$work/signal.err")"
grep -q '"outcome": "updated"' "$work/signal.json" || fail "signal: $(cat "$work/signal.json")"

k region set "$dev" 2 --yes </dev/null
k region "$dev" --json | grep -q '"region": 2' || fail "region 2 was not set"

k speed set "$dev" 8X | grep -qF "Speed: 1408 kbytes/s (8x)." || fail "speed set"
echo "kestrel end to end: list, backup, update, signal, busy drive, region set, speed set passed"
