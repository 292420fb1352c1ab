# The kernel cases, one row each: the case's name, its check (a function
# case_CHECK below), the drive (qemu: QEMU's emulated IDE DVD-ROM; sim: the
# simulated Kestrel drive behind TCMU), the node it works through (sr or sg),
# how it runs (alone: nothing beside it, for kestrel list opens every drive
# and would wait on another row's held command, and the kernel's trace is
# one for all; beside: in the background
# from its place on; lane: in one of two lanes), TCMU's cmd_time_out for the
# drive, and the simulated drive's settings (kestrel-sim.ini lines with '|'
# between them, added to the default machine below).
#
# cmd_time_out: TCMU fails a command its handler has held that long
# (CHECK CONDITION, LOGICAL UNIT COMMUNICATION FAILURE), something a real
# drive never says; an abort from the initiator waits up to that long unless
# the handler lets the command go first (kestrel-tcmu does, at the abort's
# notice). 200 s is more than the tool's longest time-out (180 s, the
# programming command), so the kernel's own SG_IO time-out decides when a
# held command is given up, as with a real drive. Rows with a shorter one say
# why.
KERNEL_CASES='
qemu-list           qemu_list        qemu sr alone  -   -
qemu-refusals-sr    qemu_refusals    qemu sr alone  -   -
qemu-refusals-sg    qemu_refusals    qemu sg alone  -   -
qemu-speed          qemu_speed       qemu sr alone  -   -
list                list             sim  sr alone  200 -
peers-inquiry       peer_inquiry     sim  sg alone  200 -
hold-long           hold_long        sim  sr beside 250 programming_ms=230000
info-sr             info             sim  sr lane   200 -
info-sg             info             sim  sg lane   200 -
backup-sr           backup           sim  sr lane   200 -
backup-sg           backup           sim  sg lane   200 -
update-sr           update           sim  sr lane   200 -
update-sg           update           sim  sg lane   200 -
region-sr           region           sim  sr lane   200 -
region-sg           region           sim  sg lane   200 -
speed-sr            speed            sim  sr lane   200 -
speed-sg            speed            sim  sg lane   200 -
mode-sr             mode             sim  sr lane   200 -
mode-sg             mode             sim  sg lane   200 -
peers-region        peer_region      sim  sr lane   200 -
peers-read-buffer   peer_read_buffer sim  sg lane   200 -
rights-rawio        rights_rawio     sim  sr lane   200 -
rights-sg-read-only rights_read_only sim  sg lane   200 -
rights-sg-write     rights_rawio     sim  sg lane   200 -
hold-short          hold_short       sim  sr lane   200 programming_ms=20000
never-answered      never_answered   sim  sg lane   10  fault=never_answer opcode=5a
short-reply         short_reply      sim  sg lane   200 fault=short opcode=5a bytes=12
busy-sigint         busy_signal      sim  sr lane   200 programming_ms=4000
busy-sigterm        busy_signal      sim  sg lane   200 programming_ms=4000
reply-fields-sr     reply_fields     sim  sr lane   10  fault=short opcode=3c id=80 bytes=100 count=100|fault=never_answer opcode=5a
reply-fields-sg     reply_fields     sim  sg lane   10  fault=short opcode=3c id=80 bytes=100 count=100|fault=never_answer opcode=5a
wine-tarn2k-update  wine_tarn2k      sim  sr alone  200 programming_ms=3000
wine-mere2k-region  wine_mere2k      sim  sr alone  200 -
wine-beck2k-speed   wine_beck2k      sim  sr alone  200 -
'
# wine-*: alone, for the Wine rows share one session, its desktop and letter E.
# hold-long: 50 s past the tool's 180 s, for a loaded machine's guest runs
# its timers late; 250 s lets the kernel's abort, not TCMU, end the command.
# never-answered, reply-fields: the kernel gives up on a 2 s MODE SENSE the
# drive never answers and aborts it; 10 s bounds how long that abort can wait.

# The NT programs under Wine: lib/wine_cases.sh.
source "$(dirname "${BASH_SOURCE[0]}")/lib/wine_cases.sh"

case_names() { awk 'NF { print $1 }' <<<"$KERNEL_CASES"; }
case_row() { awk -v n="$1" '$1 == n' <<<"$KERNEL_CASES"; }

# case_ini SETTINGS: the simulated machine of a row.
case_ini() {
  cat <<'INI'
adapter=intelata
target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"
programming_ms=300
disc=css
disc_rmi=FC
INI
  [ "$1" = - ] || tr '|' '\n' <<<"$1"
}

# ---- QEMU's own drive: not a Kestrel drive -------------------------------

case_qemu_list() {
  local out entry
  out=$(kestrel list --json) || fail "list: $(err)"
  entry=$(jq -c --arg d "$DRIVE_SR" '.drives[] | select(.device == $d)' <<<"$out")
  expect_eq "QEMU's drive" "QEMU QEMU DVD-ROM false" "$(json '"\(.vendor) \(.product) \(.supported)"' "$entry")"
  out=$(kestrel list)
  expect_has "list" "not supported" "$(grep "^$DRIVE_SR " <<<"$out")"
}

# only_inquiry: empty when the kernel sent INQUIRY and, through sr, the
# driver's own open and close commands (TEST UNIT READY, GET EVENT STATUS,
# PREVENT ALLOW), and nothing else; else what it sent.
only_inquiry() {
  local allowed=" 12 " op
  [ "$DEV" = "$DRIVE_SR" ] && allowed=" 12 00 4a 1e "
  [[ " $SCSI_OPS " == *" 12 "* ]] || { echo "no INQUIRY (sent: $SCSI_OPS)"; return; }
  for op in $SCSI_OPS; do
    [[ $allowed == *" $op "* ]] || { echo "sent opcode $op (all: $SCSI_OPS)"; return; }
  done
}

# Every command is tried; the case names each that did not refuse cleanly.
case_qemu_refusals() {
  make_hex new.hex revision=1.20 date=2003/07/15
  local status wrong problems=()
  for command in "firmware update $DEV new.hex" "firmware backup $DEV flash.bin" \
    "mode $DEV quiet" "region set $DEV 2"; do
    # shellcheck disable=SC2086
    scsi_traced kestrel $command --yes >/dev/null
    status=$?
    wrong=$(only_inquiry)
    [ $status = 1 ] || [ $status = 2 ] || wrong="exit $status${wrong:+, $wrong}"
    [ -z "$wrong" ] || problems+=("${command%% /dev*}: $wrong")
  done
  [ ! -e flash.bin ] || problems+=("firmware backup left a file")
  [ ${#problems[@]} = 0 ] || fail "$(IFS=';'; echo "${problems[*]}")"
}

# page_2a_speeds DEV: "CURRENT MAXIMUM" from sg_modes' own MODE SENSE(10).
page_2a_speeds() {
  sg_modes -p 0x2a -r "$1" 2>/dev/null | od -An -v -tu1 | tr -s ' \n' ' ' |
    awk '{ split($0, b, " "); p = 8 + b[7] * 256 + b[8] + 1
           print b[p + 14] * 256 + b[p + 15], b[p + 8] * 256 + b[p + 9] }'
}

# speed_agrees WHAT: kestrel speed and sg_modes read the same page 2Ah.
speed_agrees() {
  local out
  out=$(kestrel speed "$DEV" --json) || fail "$1: speed: $(err)"
  SPEED_JSON=$out
  expect_eq "$1: kestrel speed against sg_modes -p 0x2a" "$(page_2a_speeds "$DEV")" \
    "$(json '"\(.currentSpeed) \(.maximumSpeed)"' "$out")"
}

case_qemu_speed() { speed_agrees "QEMU's page 2Ah"; }

# ---- the simulated Kestrel drive through the kernel -----------------------

case_list() {
  local out
  trace_mark
  out=$(kestrel list --json) || fail "list: $(err)"
  expect_eq "list" "KESTREL DVD-ROM DRV-320 1.10 true 6" "$(jq -r --arg d "$DRIVE_SR" \
    '.drives[] | select(.device == $d) | "\(.vendor) \(.product) \(.revision) \(.supported) \(.generation)"' <<<"$out")"
  expect_eq "the drive's sg node is not listed twice" "" \
    "$(jq -r --arg d "$DRIVE_SG" '.drives[] | select(.device == $d) | .device' <<<"$out")"
  [ "$(trace_count '^cmd.* cdb=12 ')" -gt 0 ] || fail "no INQUIRY reached the drive"
}

case_peer_inquiry() {
  local inq out
  inq=$(sg_inq "$DEV") || fail "sg_inq failed"
  out=$(kestrel list --json) || fail "list: $(err)"
  local vendor product revision
  # sg_inq shows the fields as the drive pads them; kestrel trims them.
  vendor=$(sed -n 's/^ *Vendor identification: *//p' <<<"$inq" | xargs)
  product=$(sed -n 's/^ *Product identification: *//p' <<<"$inq" | xargs)
  revision=$(sed -n 's/^ *Product revision level: *//p' <<<"$inq" | xargs)
  expect_eq "kestrel list against sg_inq" "$vendor|$product|$revision" "$(jq -r --arg d "$DRIVE_SR" \
    '.drives[] | select(.device == $d) | "\(.vendor)|\(.product)|\(.revision)"' <<<"$out")"
}

case_info() {
  make_hex new.hex revision=1.20 date=2003/07/15
  local out
  trace_mark
  out=$(kestrel firmware info new.hex --device "$DEV" --json) || fail "info: $(err)"
  expect_eq "info" "would-write 1.10 1.20" "$(json '"\(.outcome) \(.drive.revision) \(.version)"' "$out")"
  [ "$(trace_count 'cdb=3b ')" = 0 ] || fail "info wrote to the drive: $(trace_since | grep 'cdb=3b' | head -n 1)"
}

# flash_blocks: the 8000h blocks of the flash (READ BUFFER 80h) the drive
# sent whole, by offset, each once.
flash_blocks() {
  trace_since | grep -E 'cdb=3c [0-9a-f]{2} 80 .* len=32768 moved=32768 status=good' |
    sed 's/.*cdb=3c .. 80 \(.. .. ..\).*/\1/' | sort -u | tr -d ' ' | tr '\n' ' '
}

case_backup() {
  local out
  trace_mark
  out=$(kestrel firmware backup "$DEV" flash.bin --json) || fail "backup: $(err)"
  expect_eq "backup" "true 131072 131072" "$(json '"\(.ok) \(.bytes)"' "$out") $(stat -c %s flash.bin)"
  expect_eq "READ BUFFER blocks the drive sent" "000000 008000 010000 018000 " "$(flash_blocks)"
  out=$(kestrel firmware verify "$DEV" flash.bin) || fail "verify against the backup: $(err)"
  expect_has "verify against the backup" "matches the backup" "$out"
  [ "$(trace_count 'cdb=3b ')" = 0 ] || fail "backup or verify wrote to the drive"
}

# image_differs HEX BIN: the first offset where the flash image of a HEX
# file and a backup differ, the drive's own bytes 400h-44Fh aside; empty when
# they agree.
image_differs() {
  od -An -v -tx1 -w1 "$2" | awk -v hex="$1" '
    function h(s,   v, i) { v = 0; for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", tolower(substr(s, i, 1))) - 1; return v }
    BEGIN { base = 0; count = 0
      while ((getline line < hex) > 0) {
        sub(/\r$/, "", line); n = h(substr(line, 2, 2)); at = h(substr(line, 4, 4)); type = substr(line, 8, 2)
        if (type == "02") base = h(substr(line, 10, 4)) * 16
        else if (type == "04") base = h(substr(line, 10, 4)) * 65536
        else if (type == "00") for (i = 0; i < n; i++) { image[base + at + i] = tolower(substr(line, 10 + 2 * i, 2)); count++ }
      }
      if (count == 0) { print "no image in " hex; done = 1; exit } }
    { at = NR - 1; want = (at in image) ? image[at] : "ff"
      if ((at < 1024 || at >= 1104) && $1 != want) { printf "%x\n", at; done = 1; exit } }
    END { if (!done && NR != 131072) print "the backup holds " NR " bytes" }' || echo "cannot compare"
}

case_update() {
  make_hex new.hex revision=1.20 date=2003/07/15
  local out
  trace_mark
  out=$(kestrel firmware update "$DEV" new.hex --yes --programming-wait 1 --json) || fail "update: $(err)"
  expect_eq "update" "updated true" "$(json '"\(.outcome) \(.verified)"' "$out")"
  expect_eq "prepare, blocks, programming (good)" "1 5 1" \
    "$(trace_count 'cdb=3b [0-9a-f]{2} 30 .*status=good') $(trace_count 'cdb=3b [0-9a-f]{2} ff .*status=good') $(trace_count 'cdb=3b [0-9a-f]{2} 42 .*status=good')"
  [ "$(trace_since | grep -nE 'cdb=3c [0-9a-f]{2} 80 ' | tail -n 1 | cut -d: -f1)" -gt \
    "$(trace_since | grep -nE 'cdb=3b [0-9a-f]{2} 42 ' | cut -d: -f1)" ] || fail "no read-back after the programming"
  # Not list: it opens every drive, and a row beside this one holds its own.
  out=$(kestrel firmware info new.hex --device "$DEV" --json)
  expect_eq "the drive after the update" "1.20 2003/07/15" "$(json '"\(.drive.revision) \(.drive.firmwareDate)"' "$out")"
  kestrel firmware backup "$DEV" after.bin >/dev/null || fail "backup after the update: $(err)"
  expect_eq "the flash against the image (first differing offset)" "" "$(image_differs new.hex after.bin)"
  # firmware verify, the tool's own comparison, agrees; the old file differs.
  out=$(kestrel firmware verify "$DEV" new.hex) || fail "verify after the update: $(err)"
  expect_has "verify after the update" "matches new.hex" "$out"
  make_hex old.hex revision=1.10 date=2003/05/12
  trace_mark
  kestrel firmware verify "$DEV" old.hex >/dev/null && fail "the old file verified as the flash"
  expect_has "verify against the old file" "differs" "$(err)"
  [ "$(trace_count 'cdb=3b ')" = 0 ] || fail "verify wrote to the drive"
}

case_region() {
  local out
  out=$(kestrel region "$DEV" --json) || fail "region: $(err)"
  expect_eq "region before" "null 5 1,2" "$(json '"\(.rpc.region) \(.rpc.changesLeft) \(.discRegions | join(","))"' "$out")"
  trace_mark
  out=$(kestrel region set "$DEV" 2 --yes --json) || fail "region set: $(err)"
  expect_eq "region set" "2 4" "$(json '"\(.rpc.region) \(.rpc.changesLeft)"' "$out")"
  expect_eq "SEND KEY (set region) lines" 1 "$(trace_count 'cdb=a3 .*status=good')"
  out=$(kestrel region "$DEV" --json) || fail "region after: $(err)"
  expect_eq "region after" "2 253" "$(json '"\(.rpc.region) \(.rpc.mask)"' "$out")"
}

case_speed() {
  speed_agrees "before"
  expect_eq "speeds before" "7056 7056" "$(json '"\(.currentSpeed) \(.maximumSpeed)"' "$SPEED_JSON")"
  trace_mark
  out=$(kestrel speed set "$DEV" 8X) || fail "speed set: $(err)"
  expect_has "speed set" "Speed: 1408 kbytes/s (8x)." "$out"
  expect_eq "SET CD SPEED lines asking 1408 (0580h)" 1 "$(trace_count 'cdb=bb [0-9a-f]{2} 05 80 .*status=good')"
  speed_agrees "after"
  expect_eq "current speed after" 1408 "$(json .currentSpeed "$SPEED_JSON")"
  out=$(kestrel speed list "$DEV") || fail "speed list: $(err)"
  expect_has "speed list: the drive's maximum from page 2Ah" "Maximum speed of $DEV: 7056 kbytes/s" "$out"
  # -v shows each command block as the kernel carried it, on stderr only.
  out=$(kestrel -v speed "$DEV") || fail "speed -v: $(err)"
  expect_has "-v: MODE SENSE(10) page 2Ah" "cdb: [5a" "$(err)"
  expect_has "-v: its status" "status: good" "$(err)"
  [[ $out != *"cdb: ["* ]] || fail "-v wrote command blocks to stdout"
}

case_mode() {
  local out
  trace_mark
  out=$(kestrel mode "$DEV" quiet --yes --json) || fail "mode: $(err)"
  expect_eq "mode" "true quiet" "$(json '"\(.ok) \(.mode)"' "$out")"
  # The spindle stops, then SET CD SPEED's mode byte switches (the sr
  # driver's own commands at the open are not the tool's).
  expect_eq "START STOP UNIT, SET CD SPEED (good)" "1 1" \
    "$(trace_count 'cdb=1b .*status=good') $(trace_count 'cdb=bb .*status=good')"
  speed_agrees "after the mode"
  expect_eq "quiet mode's speeds" "quiet 4234" "$(json '"\(.mode) \(.maximumSpeed)"' "$SPEED_JSON")"
}

# regionset_region: the region regionset reads through the kernel's DVD
# ioctls ("none" when none is set).
regionset_region() {
  local out mask n regions=
  out=$(printf 'n\n' | regionset "$DRIVE_SR" 2>&1)
  echo "$out" >>regionset.log
  mask=$(sed -n 's/.*RPC Status:.*(bitmask=0x\([0-9A-Fa-f]*\)).*/\1/p' <<<"$out")
  [ -n "$mask" ] || { echo "?($(tail -n 2 <<<"$out"))"; return; }
  # A clear bit n-1 is region n.
  for n in 1 2 3 4 5 6 7 8; do (((0x$mask >> (n - 1)) & 1)) || regions+=" $n"; done
  echo "${regions:- none}" | xargs
}

case_peer_region() {
  expect_eq "regionset before" none "$(regionset_region)"
  kestrel region set "$DEV" 2 --yes >/dev/null || fail "region set: $(err)"
  expect_eq "regionset after kestrel region set 2" 2 "$(regionset_region)"
  printf 'y\n1\ny\n' | regionset "$DRIVE_SR" >regionset.log 2>&1 || fail "regionset could not set 1: $(cat regionset.log)"
  expect_eq "kestrel region after regionset set 1" 1 "$(json .rpc.region "$(kestrel region "$DEV" --json)")"
}

case_peer_read_buffer() {
  kestrel firmware backup "$DEV" flash.bin >/dev/null || fail "backup: $(err)"
  local at
  : >raw.bin
  for at in "00 00" "00 80" "01 00" "01 80"; do  # four 8000h READ BUFFERs of the flash (id 80h)
    # shellcheck disable=SC2086
    sg_raw -r 32768 -o part.bin "$DEV" 3c 01 80 $at 00 00 80 00 00 >sg_raw.log 2>&1 ||
      fail "sg_raw READ BUFFER at ${at// /}00h failed: $(tail -n 3 sg_raw.log)"
    cat part.bin >>raw.bin
  done
  cmp -s raw.bin flash.bin || fail "sg_raw's flash differs from the backup: $(cmp raw.bin flash.bin)"
}

# update_as SETPRIV-ARGS...: the update run by setpriv; sets RIGHTS_STATUS.
update_as() {
  make_hex new.hex revision=1.20 date=2003/07/15
  trace_mark
  RIGHTS_STATUS=0
  setpriv "$@" "$KESTREL" firmware update "$DEV" new.hex --yes --programming-wait 1 </dev/null \
    2>err || RIGHTS_STATUS=$?
}

# Without CAP_SYS_RAWIO: refused through sr, named; through sg the kernel
# wants only a read-write open, so the update goes through.
case_rights_rawio() {
  update_as --inh-caps=-sys_rawio --bounding-set=-sys_rawio
  if [ "$DEV" = "$DRIVE_SG" ]; then
    expect_eq "update through sg without CAP_SYS_RAWIO: exit ($(err))" 0 $RIGHTS_STATUS
    expect_eq "programming commands the drive took" 1 "$(trace_count 'cdb=3b [0-9a-f]{2} 42 .*status=good')"
    return
  fi
  expect_eq "update without CAP_SYS_RAWIO: exit" 2 $RIGHTS_STATUS
  expect_has "the missing right is named" "CAP_SYS_RAWIO" "$(err)"
  expect_eq "WRITE BUFFERs that reached the drive" 0 "$(trace_count 'cdb=3b ')"
}

case_rights_read_only() {
  chmod 0644 "$DEV"
  update_as --reuid=65534 --regid=65534 --clear-groups
  expect_eq "update by a user who may only read $DEV: exit" 2 $RIGHTS_STATUS
  expect_has "the missing right is named" "needs write access" "$(err)"
  expect_eq "WRITE BUFFERs that reached the drive" 0 "$(trace_count 'cdb=3b ')"
}

# update_timed EXTRA...: the update with the programming wait of 1 s; sets
# UPDATE_JSON, UPDATE_STATUS and UPDATE_SECONDS.
update_timed() {
  make_hex new.hex revision=1.20 date=2003/07/15
  local begin=$SECONDS
  UPDATE_STATUS=0
  UPDATE_JSON=$(kestrel firmware update "$DEV" new.hex --yes --programming-wait 1 --json) || UPDATE_STATUS=$?
  UPDATE_SECONDS=$((SECONDS - begin))
}

case_hold_short() {
  update_timed
  expect_eq "held 20 s, less than the 180 s time-out" "0 updated true" \
    "$UPDATE_STATUS $(json '"\(.outcome) \(.verified)"' "$UPDATE_JSON")"
  [ "$UPDATE_SECONDS" -ge 20 ] || fail "the update ended after ${UPDATE_SECONDS}s, before the drive answered"
  [[ $(err) != *"failed or timed out"* ]] || fail "a command answered in time was taken for a time-out: $(err)"
  ! grep -q '^tmr' kestrel-sim.trace || fail "the kernel aborted a command held less than its time-out"
}

case_hold_long() {
  update_timed
  expect_has "held 230 s, longer than the 180 s time-out" "failed or timed out" "$(err)"
  expect_eq "the read-back decides" "0 updated true" "$UPDATE_STATUS $(json '"\(.outcome) \(.verified)"' "$UPDATE_JSON")"
  [ "$UPDATE_SECONDS" -ge 180 ] || fail "the tool gave up after ${UPDATE_SECONDS}s"
  # The handler's record of the kernel's task management: the abort came.
  grep -q '^tmr abort_task' kestrel-sim.trace || fail "the kernel never aborted the held command"
}

case_never_answered() {
  local out status=0 begin=$SECONDS
  out=$(kestrel speed "$DEV" --json) || status=$?
  local said took=$((SECONDS - begin))
  said=$(err)
  expect_eq "MODE SENSE never answered: exit" 1 $status
  [ $took -lt 60 ] || fail "the tool waited ${took}s"
  out=$(kestrel speed "$DEV" --json) || fail "speed afterwards: $(err)"
  expect_eq "the drive answers afterwards" "7056 7056" "$(json '"\(.currentSpeed) \(.maximumSpeed)"' "$out")"
  expect_has "the tool reports the time-out" "timed out" "$said"
}

case_short_reply() {
  local out status=0
  out=$(kestrel speed "$DEV" --json) || status=$?
  expect_eq "the short reply" 1 "$(trace_count 'cdb=5a .* moved=12 ')"
  expect_eq "page 2Ah cut to 12 bytes: exit" 1 $status
  expect_eq "no speed from bytes the drive did not send" "null null" "$(json '"\(.currentSpeed) \(.maximumSpeed)"' "$out")"
  speed_agrees "the next, whole page"
}

# busy_signal: an update through DEV gets SIGINT (sr row) or SIGTERM (sg row)
# during the programming wait and a second kestrel through OTHER meanwhile.
case_busy_signal() {
  local signal=INT
  [ "$DEV" = "$DRIVE_SG" ] && signal=TERM
  make_hex new.hex revision=1.20 date=2003/07/15
  "$KESTREL" firmware update "$DEV" new.hex --yes --programming-wait 2 --json </dev/null >update.json 2>update.err &
  local pid=$! i
  for i in $(seq 100); do grep -q '(--yes)' update.err && break; sleep 0.1; done
  sleep 1
  kill -$signal $pid
  trace_mark
  local status=0
  kestrel mode "$OTHER" quiet --yes >/dev/null || status=$?
  expect_eq "second kestrel through $OTHER: exit" 1 $status
  expect_has "second kestrel" "drive busy" "$(err)"
  expect_eq "commands of the second kestrel" 0 "$(trace_count 'cdb=(55|15|1b|bb) ')"
  status=0
  wait $pid || status=$?
  expect_eq "update after SIG$signal: exit" 0 $status
  expect_has "the signal came during the flash" "the flash is being written and the update will finish" "$(cat update.err)"
  expect_eq "update after SIG$signal" "updated true" "$(jq -r '"\(.outcome) \(.verified)"' update.json)"
}

# ---- what the kernel gives back, against the SG_IO preload library ---------
# The same commands through the kernel and through libkestrel-sg.so with
# kestrel-sim-server on the same machine: every field of the SG_IO header
# (duration aside) and the data the residual says was sent; what the buffer
# holds past it is kept in reply-fields.txt, not compared.
REPLY_PROBES=(
  "2000 none 0 32 00 00 00 00 00 00"
  "2000 in 96 32 12 00 00 00 60 00"
  "5000 in 512 32 3c 01 80 00 00 00 00 02 00 00"
  "2000 in 16 32 99 00 00 00 10 00"
  "2000 in 16 8 99 00 00 00 10 00"
  "2000 in 16 0 99 00 00 00 10 00"
  "2000 in 34 32 5a 08 2a 00 00 00 00 00 22 00"
)

case_reply_fields() {
  local preload=$CASE_DIR/preload probe kernel ours differences=() sock
  # The stand-in is named like the row's node: the library answers an sg
  # node's way for a name such as sg0.
  local node=$preload/${DEV##*/}
  sock=$(mktemp -d /tmp/sock.XXXXXX)  # a socket's path has room for 107 bytes
  mkdir -p "$preload/sim"
  { cat kestrel-sim.ini; echo "letter=E 0 0"; } >"$preload/sim/kestrel-sim.ini"
  : >"$node"
  "$KERNEL_NATIVE_BUILD/sim/passthrough/kestrel-sim-server" "$preload/sim" "$sock" >"$preload/ready" &
  local server=$! i
  for i in $(seq 50); do grep -q '^ready' "$preload/ready" && break; sleep 0.1; done
  for probe in "${REPLY_PROBES[@]}"; do
    # shellcheck disable=SC2086
    kernel=$("$SG_HEADER" "$DEV" $probe)
    # shellcheck disable=SC2086
    ours=$(KESTREL_SIM_DEVICES="$node=$sock/E.sock" \
      LD_PRELOAD="$KERNEL_NATIVE_BUILD/sim/passthrough/lib/x86_64-linux-gnu/libkestrel-sg.so" \
      "$SG_HEADER" "$node" $probe)
    echo "$probe"$'\n'"  kernel:  $kernel"$'\n'"  preload: $ours" >>reply-fields.txt
    [ "${kernel% duration=*}" = "${ours% duration=*}" ] || differences+=("[${probe#* }] kernel: ${kernel% duration=*}; preload: ${ours% duration=*}")
  done
  kill $server
  [ ${#differences[@]} = 0 ] || fail "$(IFS='|'; echo "${differences[*]}")"
}
