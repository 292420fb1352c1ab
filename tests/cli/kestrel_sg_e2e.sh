#!/usr/bin/env bash
# kestrel through the real ioctl path: kestrel-sim-server serves a simulated
# drive, libkestrel-sg.so answers SG_IO on a plain file standing for /dev/sr0,
# and kestrel's list finds it there (KESTREL_DEV_DIR). Then backup, update,
# region set and speed set on it.
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

mkdir -p "$work/sim" "$work/sock" "$work/dev"
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

k() {
  KESTREL_DEV_DIR="$work/dev" KESTREL_SIM_DEVICES="$work/dev/sr0=$work/sock/E.sock" \
    LD_PRELOAD="$sg" "$kestrel" "$@"
}
dev=$work/dev/sr0

list=$(k list)
echo "$list"
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

k region set "$dev" 2 --yes </dev/null
k region "$dev" --json | grep -q '"region": 2' || fail "region 2 was not set"

k speed set "$dev" 8X | grep -q "1408kbytes/s (8X)" || fail "speed set"
echo "kestrel end to end: list, backup, update, region set, speed set passed"
