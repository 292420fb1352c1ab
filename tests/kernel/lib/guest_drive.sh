# The simulated Kestrel drive as a real SCSI device in the guest: a TCMU
# backstore served by kestrel-tcmu, exported through tcm_loop, so the kernel's
# sr and sg drivers attach to it. Sourced by the guest runner.
TARGET_CONFIG=/sys/kernel/config/target

# drive_up NAME DIR CMD_TIME_OUT: sets DRIVE_SR, DRIVE_SG, DRIVE_PID.
drive_up() {
  local name=$1 dir=$2 limit=$3 store uio= u wwn
  store=$TARGET_CONFIG/core/user_0/$name
  [ -x "$KERNEL_NATIVE_BUILD/sim/tcmu/kestrel-tcmu" ] || { echo "kestrel-tcmu is not built"; return 1; }
  mkdir -p "$store" || return 1
  printf 'dev_config=%s/kestrel' "$name" >"$store/control" || return 1
  # TCMU fails a command its handler holds for cmd_time_out seconds, and an
  # abort from the initiator waits that long too; see the case table.
  echo "$limit" >"$store/attrib/cmd_time_out" || return 1
  echo 1 >"$store/enable" || return 1
  echo 1 >"$store/attrib/tmr_notification" 2>/dev/null
  for u in /sys/class/uio/uio*; do
    [[ $(cat "$u/name") == tcm-user/*/"$name"/* ]] && uio=${u##*/}
  done
  [ -n "$uio" ] || { echo "no uio device for $name"; return 1; }
  "$KERNEL_NATIVE_BUILD/sim/tcmu/kestrel-tcmu" "$dir" --uio "/dev/$uio" >"$dir/handler.out" 2>"$dir/handler.err" &
  DRIVE_PID=$!
  local waited
  for waited in $(seq 100); do
    grep -q "^ready $uio" "$dir/handler.out" && break
    kill -0 "$DRIVE_PID" 2>/dev/null || { echo "kestrel-tcmu ended: $(cat "$dir/handler.err")"; return 1; }
    sleep 0.1
  done
  grep -q "^ready $uio" "$dir/handler.out" || { echo "kestrel-tcmu did not say ready"; return 1; }
  wwn=naa.5001405$(printf '%09x' "$RANDOM$RANDOM")
  mkdir -p "$TARGET_CONFIG/loopback/$wwn/tpgt_1/lun/lun_0" || return 1
  echo "naa.5001405$(printf '%09x' "$RANDOM")" >"$TARGET_CONFIG/loopback/$wwn/tpgt_1/nexus" || return 1
  # The ln returns once the kernel's scan of the new LUN has been answered.
  ln -s "$store" "$TARGET_CONFIG/loopback/$wwn/tpgt_1/lun/lun_0/kestrel" || return 1
  DRIVE_WWN=$wwn
  local address scsi
  address=$(cat "$TARGET_CONFIG/loopback/$wwn/tpgt_1/address" 2>/dev/null)
  for waited in $(seq 50); do
    scsi=$(ls -d /sys/bus/scsi/devices/"${address%%:*}":0:*:0 2>/dev/null | head -n 1)
    [ -n "$scsi" ] && [ -d "$scsi/block" ] && [ -d "$scsi/scsi_generic" ] && break
    sleep 0.1
  done
  DRIVE_SR=/dev/$(ls "$scsi/block" 2>/dev/null)
  DRIVE_SG=/dev/$(ls "$scsi/scsi_generic" 2>/dev/null)
  [ -b "$DRIVE_SR" ] && [ -c "$DRIVE_SG" ] || { echo "no sr/sg for $name (${address:-no address})"; return 1; }
}

# drive_down NAME: the LUN goes first (the kernel's last commands still reach
# the handler), then the handler and the backstore.
drive_down() {
  local name=$1 t=$TARGET_CONFIG/loopback/${DRIVE_WWN:-none}/tpgt_1
  if [ -d "$t" ]; then
    rm -f "$t/lun/lun_0/kestrel"
    rmdir "$t/lun/lun_0"
    echo NULL >"$t/nexus" 2>/dev/null
    rmdir "$t" "${t%/tpgt_1}"
  fi
  if [ -n "${DRIVE_PID:-}" ]; then
    kill -TERM "$DRIVE_PID" 2>/dev/null
    wait "$DRIVE_PID" 2>/dev/null
  fi
  rmdir "$TARGET_CONFIG/core/user_0/$name" 2>/dev/null
  DRIVE_WWN= DRIVE_PID= DRIVE_SR= DRIVE_SG=
}

# The QEMU IDE drive: the one sr device whose vendor is QEMU.
qemu_drive() {
  local scsi
  for scsi in /sys/bus/scsi/devices/*:*:*:*; do
    [ "$(cat "$scsi/vendor" 2>/dev/null)" = "QEMU    " ] || continue
    DRIVE_SR=/dev/$(ls "$scsi/block")
    DRIVE_SG=/dev/$(ls "$scsi/scsi_generic")
    DRIVE_SCSI=${scsi##*/}
    return 0
  done
  echo "QEMU's DVD-ROM is not attached"
  return 1
}
