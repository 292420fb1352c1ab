#!/bin/sh
# build_chm.sh SOURCE-DIR SHARED-CSS WORK-DIR PROJECT.hhp CODEPAGE OUTPUT.chm
#
# Compiles one help file with chmcmd. The sources are UTF-8; HTML Help reads
# the contents, the index and the titles in the ANSI code page of the help
# file's language, so a help file for code page 932 gets Shift-JIS copies
# whose charset declarations say so.
set -eu
src=$1 css=$2 work=$3 project=$4 codepage=$5 output=$6

rm -rf "$work"
mkdir -p "$work"
for file in "$src"/*.htm "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$css"; do
  name=$(basename "$file")
  case $codepage in
    932)
      # iconv fails on a character that Shift-JIS cannot hold: the build stops.
      sed 's/charset=utf-8/charset=shift_jis/' "$file" | iconv -f UTF-8 -t CP932 >"$work/$name"
      ;;
    *) cp "$file" "$work/$name" ;;
  esac
done
(cd "$work" && chmcmd --no-html-scan "$project" >chmcmd.log 2>&1) || {
  cat "$work/chmcmd.log" >&2
  exit 1
}
cp "$work/$(basename "$project" .hhp).chm" "$output"
