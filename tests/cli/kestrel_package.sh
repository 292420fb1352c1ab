#!/usr/bin/env bash
# kestrel's Debian package on this machine: `cpack -G DEB` in the native
# build, `apt-get install ./kestrel_*.deb` as a user would, then from the
# installed files `kestrel --version`, `man -w kestrel`, the completion and an
# update of a simulated drive; the package is removed again at the end.
#
#   kestrel_package.sh NATIVE-BUILD    (as root, or a user with sudo)
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
build=$(cd "$1" && pwd) || exit 1
work=$(mktemp -d)
installed=
cleanup() {
  [ -n "$installed" ] && as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=900 remove -y -q kestrel >"$work/remove.log" 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
failed=0 passed=0
check() {  # WHAT COMMAND...
  if "${@:2}" >>"$work/checks.log" 2>&1; then
    passed=$((passed + 1))
  else
    echo "FAIL: $1"
    failed=$((failed + 1))
  fi
}
end() {
  [ "$failed" -gt 0 ] && tail -n 30 "$work/checks.log"
  echo "package: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

if package_installed kestrel; then
  echo "FAIL: a kestrel package is installed already; this check leaves it alone"
  exit 1
fi
ninja -C "$build" -j "$KESTREL_JOBS" kestrel kestrel_man kestrel_make_firmware >"$work/ninja.log" 2>&1 ||
  { tail -n 30 "$work/ninja.log"; echo "FAIL: build"; exit 1; }
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B "$build/deb") >"$work/cpack.log" 2>&1 ||
  { tail -n 30 "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$build"/deb/kestrel_*.deb)
dpkg-deb -I "$deb"
# The C++ runtime is linked in and libsystemd is opened only when present, so
# the package needs the C library alone and recommends libsystemd.
check "the package depends on the C library only" \
  grep -Eq '^ Depends: libc6 \([^)]*\)$' <(dpkg-deb -I "$deb")
check "the package recommends libsystemd" grep -q '^ Recommends: libsystemd0' <(dpkg-deb -I "$deb")

# A machine whose dpkg leaves out manual pages (path-exclude in
# /etc/dpkg/dpkg.cfg.d, as slim images have) is told to keep this one.
man_page=/usr/share/man/man1/kestrel.1.gz
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
  say "dpkg excludes manual pages here; including $man_page"
fi
installed=1
cd "$build/deb" || exit 1
check "apt-get installs the package" as_root env DEBIAN_FRONTEND=noninteractive \
  apt-get -o DPkg::Lock::Timeout=900 -o "DPkg::Options::=--path-include=$man_page" \
  install -y -q ./"$(basename "$deb")"
[ "$failed" -eq 0 ] || end

# The installed program by its path: a `cmake --install` copy in /usr/local
# may come first on PATH.
kestrel=/usr/bin/kestrel
check "kestrel --version names the suite's version" \
  test "$("$kestrel" --version)" = "kestrel $KESTREL_VERSION"
check "man -w finds the manual page" test "$(man -w kestrel)" = "$man_page"
check "the manual page has its name line" grep -q 'kestrel - firmware' <(lexgrog "$man_page")
check "the completion is installed for bash-completion" bash -c \
  'source /usr/share/bash-completion/completions/kestrel && complete -p kestrel | grep -q _kestrel'

# A firmware update of the simulated drive with the installed program.
cp "$KESTREL_ROOT/sim/demo/demo.ini" "$work/demo.ini"
"$build/sim/demo/kestrel_make_firmware" "$work/new.hex" revision=1.20 date=2003/07/15 >/dev/null
(
  cd "$work" &&
    "$kestrel" --sim demo.ini firmware update /dev/sr0 new.hex --yes --programming-wait 1 --json \
      </dev/null >update.json 2>update.err
)
check "the installed kestrel updates the simulated drive" jq -e '.outcome == "updated"' "$work/update.json"
check "the simulated drive reports the new revision" \
  grep -q "1.20 2003/07/15" <("$kestrel" --sim "$work/demo.ini" list)
end
