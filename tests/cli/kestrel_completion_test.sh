#!/usr/bin/env bash
# kestrel's bash completion, called as bash calls it: each row is a command
# line (the cursor at its end) and the sorted completions expected.
#
#   kestrel_completion_test.sh COMPLETION-FILE
set -uo pipefail
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/dev" "$work/files/sub"
touch "$work/dev/sr0" "$work/dev/sg1" "$work/dev/null"
touch "$work/files/"{A.HEX,b.hex,c.txt,flash.bin,demo.ini}
cd "$work/files" || exit 1
export KESTREL_DEV_DIR=$work/dev
d=$work/dev

failed=0 rows=0
row() {  # LINE EXPECTED
  local line=$1
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _kestrel kestrel
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  rows=$((rows + 1))
  [ "$got" = "$2" ] || { echo "FAIL: '$line': got '$got', expected '$2'"; failed=$((failed + 1)); }
}

row "kestrel " "firmware list mode region speed"
row "kestrel --v" "--verbose --version"
row "kestrel list --v" "--verbose"
row "kestrel firmware " "backup info update verify"
row "kestrel firmware info " "A.HEX b.hex sub"
row "kestrel firmware info --device $d/s" "$d/sg1 $d/sr0"
row "kestrel firmware backup " "$d/sg1 $d/sr0"
row "kestrel firmware backup $d/sr0 " "A.HEX b.hex c.txt demo.ini flash.bin sub"
row "kestrel firmware update -y $d/sr0 " "A.HEX b.hex sub"
row "kestrel firmware update --programming-wait 5 $d/sr0 b" "b.hex"
row "kestrel firmware update --a" "--allow-older --allow-reinstall"
row "kestrel firmware verify $d/sr0 " "A.HEX b.hex flash.bin sub"
row "kestrel --sim " "demo.ini sub"
row "kestrel --sim demo.ini region " "$d/sg1 $d/sr0 set show"
row "kestrel region $d/sr0 " ""
row "kestrel region set $d/sr0 " "1 2 3 4 5 6"
row "kestrel region set --p" "--permanent"
row "kestrel speed " "$d/sg1 $d/sr0 list set show"
row "kestrel speed set $d/sr0 m" "max"
row "kestrel speed list " "$d/sg1 $d/sr0"
row "kestrel mode $d/sr0 " "performance quiet"
row "kestrel mode --u" "--until-power-off"
echo "completion: $((rows - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
