# Shared by scripts/run and scripts/test: installing what is missing and the
# four builds. Sourced, not run.

KESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
KESTREL_BUILD=${KESTREL_BUILD_DIR:-$KESTREL_ROOT/build}
KESTREL_JOBS=${KESTREL_JOBS:-$(nproc 2>/dev/null || echo 2)}

say() { printf '==> %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian packages the builds and the tests need. wine32:i386 is the 32-bit
# Wine that runs our i686 programs; fp-utils brings chmcmd for the help files.
# The kernel stage boots Debian's kernel in QEMU with a busybox initramfs
# (cpio, kmod's depmod and modprobe), and checks kestrel against sg3-utils,
# regionset and setpriv (util-linux); jq reads kestrel's JSON. The e2e stage
# builds kestrel's Debian package (dpkg-dev's dpkg-shlibdeps, file) and looks
# for its manual page (man-db).
KESTREL_PACKAGES=(
  cmake ninja-build g++ clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libsystemd-dev pkg-config linux-libc-dev
  mingw-w64 g++-mingw-w64-i686 gcc-multilib
  wine wine32:i386 fonts-wine
  xvfb x11-utils imagemagick fonts-ipafont-gothic locales fp-utils zip unzip
  qemu-system-x86 busybox-static cpio kmod sg3-utils regionset jq util-linux strace
  dpkg-dev file man-db
)

# The suite's version, as the project's CMakeLists.txt gives it.
KESTREL_VERSION=$(sed -n 's/^project(KestrelUtilities VERSION \([0-9.]*\).*/\1/p' "$KESTREL_ROOT/CMakeLists.txt")

# kestrel_programs [CROSS-BUILD-DIR]: the suite's programs (NAME.EXE), one a
# line, in the order the launcher names them: the rows of
# src/apps/programs.cmake, as the configured cross build lists them in its
# programs.txt; nothing while it is not configured. scripts/run and
# scripts/dist take whichever of them are built.
kestrel_programs() {
  local list=${1:-$KESTREL_BUILD/win32}/programs.txt
  [ -f "$list" ] && cut -d ' ' -f 1 "$list"
}

package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Installs only what is missing, so a second run costs a few dpkg queries.
kestrel_install() {
  local missing=() pkg
  for pkg in "${KESTREL_PACKAGES[@]}"; do
    package_installed "$pkg" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386 || return 1
  fi
  # A mirror in the middle of a sync fails one index now and then: try again,
  # and let the install itself say whether a package is really out of reach.
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    as_root apt-get update -q 2>&1 | tee "$log" >&2
    grep -q '^E: ' "$log" || break
    say "apt-get update failed (try $try of 3)"
    [ "$try" -lt 3 ] && sleep $((try * 10))
  done
  for try in 1 2; do
    apt_install "${missing[@]}" && { rm -f "$log"; return 0; }
    say "apt-get install failed (try $try of 2)"
    # Wine's amd64 and i386 halves must be the same version. With the security
    # suite's i386 index out of reach, apt would take the amd64 half from it
    # and find no i386 twin: take both from the main suite for this install.
    if grep -q 'Failed to fetch .*security.*binary-i386' "$log"; then
      say "the security suite's i386 index is missing: installing from the main suite"
      apt_install_from_main "${missing[@]}" && { rm -f "$log"; return 0; }
    fi
    as_root apt-get update -q 2>&1 | tee "$log" >&2
  done
  rm -f "$log"
  return 1
}

apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -q \
    "$@" </dev/null
}

# The pin lowers the security suite below the main one for this one install
# and goes again afterwards, so later upgrades see both suites as before.
apt_install_from_main() {
  local pin=/etc/apt/preferences.d/kestrel-main-suite rc
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' |
    as_root tee "$pin" >/dev/null || return 1
  apt_install "$@"
  rc=$?
  as_root rm -f "$pin"
  return $rc
}

# kestrel_configure DIR ARGS...: configures once; later builds let ninja
# re-run cmake when a CMakeLists changes.
kestrel_configure() {
  local dir=$1
  shift
  [ -f "$dir/build.ninja" ] && return 0
  mkdir -p "$dir"
  cmake -S "$KESTREL_ROOT" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || {
    tail -n 30 "$dir.configure.log" >&2
    rm -f "$dir/build.ninja"
    return 1
  }
}

# kestrel_ninja DIR [TARGETS...]: builds, keeps going past one broken target,
# and shows the errors; fails if anything failed.
kestrel_ninja() {
  local dir=$1
  shift
  local log=$dir/ninja.log.txt
  if ninja -C "$dir" -j "$KESTREL_JOBS" -k 0 "$@" >"$log" 2>&1; then
    return 0
  fi
  grep -E -B2 -A8 'error|FAILED' "$log" | head -n 80 >&2
  return 1
}

KESTREL_SANITIZE_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

build_native() {
  kestrel_configure "$KESTREL_BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    kestrel_ninja "$KESTREL_BUILD/native"
}

build_asan() {
  kestrel_configure "$KESTREL_BUILD/asan" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    "-DCMAKE_C_FLAGS=$KESTREL_SANITIZE_FLAGS -O1" "-DCMAKE_CXX_FLAGS=$KESTREL_SANITIZE_FLAGS -O1" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" &&
    kestrel_ninja "$KESTREL_BUILD/asan"
}

# The drive-letter server and the SG_IO preload library (both builds) that
# the NT programs under Wine reach the simulated drive through.
build_letter_sim() {
  kestrel_configure "$KESTREL_BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo || return 1
  # kestrel, the command-line tool, and its demo come with the same build.
  local targets=(kestrel-sim-server kestrel_sg kestrel kestrel_demo)
  ninja -C "$KESTREL_BUILD/native" -t targets all 2>/dev/null | grep -q '^kestrel_sg32:' &&
    targets+=(kestrel_sg32)
  kestrel_ninja "$KESTREL_BUILD/native" "${targets[@]}"
}

# What the kernel stage runs in its guest: kestrel, the firmware file maker
# and the TCMU handler of the simulated drive.
build_kernel_tools() {
  kestrel_configure "$KESTREL_BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo || return 1
  kestrel_ninja "$KESTREL_BUILD/native" kestrel kestrel_make_firmware kestrel-tcmu
}

build_cross() {
  kestrel_configure "$KESTREL_BUILD/win32" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$KESTREL_ROOT/cmake/mingw-i686.cmake" &&
    kestrel_ninja "$KESTREL_BUILD/win32"
}

# The fuzz targets are the build's targets named *_fuzz; none while
# tests/fuzz has none.
fuzz_targets() {
  ninja -C "$KESTREL_BUILD/fuzz" -t targets all 2>/dev/null |
    sed -n 's/^\([A-Za-z0-9_]*_fuzz\): phony$/\1/p' | grep -v '^cmake_' | sort -u
}

# The fuzz targets bring their own -fsanitize=fuzzer,address,undefined.
build_fuzz() {
  kestrel_configure "$KESTREL_BUILD/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 || return 1
  local targets
  # A target added since the last configure is listed only after cmake ran again.
  ninja -C "$KESTREL_BUILD/fuzz" build.ninja >/dev/null 2>&1 || return 1
  targets=$(fuzz_targets)
  [ -z "$targets" ] && return 0
  # shellcheck disable=SC2086
  kestrel_ninja "$KESTREL_BUILD/fuzz" $targets
}
