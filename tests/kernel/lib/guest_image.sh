# The guest's kernel and initramfs, built once into $KERNEL_BUILD (sourced by
# tests/kernel/run). Debian's own kernel package, never installed: unpacked.

# The modules the guest loads, by name; their dependencies come first.
KERNEL_MODULES=(ata_piix sr_mod sg 9p 9pnet_virtio virtio_pci configfs tcm_loop target_core_user)

# kernel_package: the one image package linux-image-amd64 names now.
kernel_package() {
  apt-cache show --no-all-versions linux-image-amd64 2>/dev/null |
    sed -n 's/^Depends: \(linux-image-[^ ,]*\).*/\1/p' | head -n 1
}

# kernel_fetch: downloads and unpacks that one package into $KERNEL_BUILD/root
# (a glob would fetch every kernel of the release); prints the version.
kernel_fetch() {
  local package version
  package=$(kernel_package)
  [ -n "$package" ] || { echo "no linux-image-amd64 in apt's lists (apt-get update?)" >&2; return 1; }
  version=${package#linux-image-}
  if [ ! -f "$KERNEL_BUILD/root/boot/vmlinuz-$version" ]; then
    mkdir -p "$KERNEL_BUILD/download"
    (cd "$KERNEL_BUILD/download" && rm -f ./*.deb && apt-get download -q "$package" >&2) || return 1
    rm -rf "$KERNEL_BUILD/root"
    dpkg-deb -x "$KERNEL_BUILD"/download/"${package}"_*.deb "$KERNEL_BUILD/root" || return 1
    depmod -b "$KERNEL_BUILD/root" "$version" || return 1
  fi
  echo "$version"
}

# module_order VERSION: every module file to insmod, dependencies first, once.
module_order() {
  local version=$1 module
  for module in "${KERNEL_MODULES[@]}"; do
    modprobe -d "$KERNEL_BUILD/root" -S "$version" --show-depends "$module" || return 1
  done | awk '$1 == "insmod" && !seen[$2]++ { print $2 }'
}

# initramfs_build VERSION INIT: busybox, the modules in order, INIT as /init.
initramfs_build() {
  local version=$1 init=$2 out=$KERNEL_BUILD/initramfs.gz stage=$KERNEL_BUILD/initramfs
  local busybox modules
  busybox=$(command -v busybox) || { echo "busybox-static is missing" >&2; return 1; }
  modules=$(module_order "$version") || return 1
  if [ -f "$out" ] && [ "$out" -nt "$init" ] && [ "$out" -nt "$busybox" ]; then return 0; fi
  rm -rf "$stage"
  mkdir -p "$stage/bin" "$stage/modules" "$stage/proc" "$stage/sys" "$stage/dev" "$stage/host" "$stage/work"
  cp "$busybox" "$stage/bin/busybox"
  local name
  for name in sh mount umount mkdir insmod sleep cat echo ln rmdir chroot poweroff reboot timeout kill; do
    ln -s busybox "$stage/bin/$name"
  done
  : >"$stage/modules/order"
  local file
  for file in $modules; do
    # Debian ships them compressed; insmod in busybox reads plain ones.
    name=$(basename "$file")
    case $name in
      *.ko.xz) xz -dc "$file" >"$stage/modules/${name%.xz}"; name=${name%.xz} ;;
      *.ko.zst) zstd -qdc "$file" >"$stage/modules/${name%.zst}"; name=${name%.zst} ;;
      *) cp "$file" "$stage/modules/$name" ;;
    esac
    echo "$name" >>"$stage/modules/order"
  done
  install -m 755 "$init" "$stage/init"
  (cd "$stage" && find . | cpio -o -H newc --quiet | gzip -1) >"$out.new" && mv "$out.new" "$out"
}
