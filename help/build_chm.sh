#!/bin/sh
# build_chm.sh SOURCE-DIR SHARED-CSS WORK-DIR PROJECT.hhp CODEPAGE OUTPUT.chm
#
# Compiles one help file with chmcmd: the project, its contents and index,
# and every page of SOURCE-DIR. The sources are UTF-8; HTML Help reads
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
# The project's [FILES] are the folder's pages and the style sheet, so that a
# new page is compiled in without a line of its own here.
{
  printf '\n[FILES]\n'
  for file in "$src"/*.htm; do basename "$file"; done
  basename "$css"
} >>"$work/$project"
(cd "$work" && chmcmd --no-html-scan "$project" >chmcmd.log 2>&1) || {
  cat "$work/chmcmd.log" >&2
  exit 1
}
cp "$work/$(basename "$project" .hhp).chm" "$output"
