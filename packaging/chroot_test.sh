#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 system made by
# debootstrap, the way a user's apt would (the dependencies come from the
# Debian archive), and runs the installed zbcli there as an ordinary user:
# `zbcli job list` on a fresh home, a new job, and the list again.
#
# It downloads a minimal base system (about 50 MB) and the package's
# dependencies, so it is run by hand and is no part of ./zb test.
#
# Usage (as root): packaging/chroot_test.sh [PACKAGE.deb]
#   default package: build/package/zbwin_*_amd64.deb (./zb package makes it)
#   ZB_DEBIAN_MIRROR  the archive to install from (default http://deb.debian.org/debian)
#   ZB_KEEP_CHROOT=1  keep the system afterwards (its folder is printed)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "chroot test: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot need it)"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"
deb=${1:-}
if [ -z "$deb" ]; then
  debs=("$here"/build/package/zbwin_*_amd64.deb)
  deb=${debs[0]}
fi
[ -f "$deb" ] || fail "no package $deb (./zb package builds it)"
mirror=${ZB_DEBIAN_MIRROR:-http://deb.debian.org/debian}

root=$(mktemp -d /tmp/zbwin-chroot.XXXXXX)
chmod 755 "$root"  # it becomes /, which every user must be able to enter
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
  if [ "${ZB_KEEP_CHROOT:-}" = 1 ]; then
    echo "chroot test: the system is kept in $root" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT

echo "chroot test: debootstrap bookworm into $root" >&2
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 \
  || { tail -20 "$root.log" >&2; fail "debootstrap failed (log: $root.log)"; }
rm -f "$root.log"
for fs in proc sys dev; do
  mount --bind "/$fs" "$root/$fs"
  mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

echo "chroot test: installing $(basename "$deb") with its dependencies" >&2
cp "$deb" "$root/tmp/zbwin.deb"
in_root apt-get update -qq >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /tmp/zbwin.deb >/dev/null \
  || fail "the package did not install"
[ -x "$root/usr/bin/zbcli" ] && [ -x "$root/usr/lib/zbwin/ZBWin" ] || fail "the programs are not installed"

# An ordinary user, as a contractor runs the program.
in_root useradd --create-home tester
as_tester() { in_root runuser -u tester -- env HOME=/home/tester "$@"; }

out=$(as_tester zbcli job list) || fail "zbcli job list failed"
echo "zbcli job list: $out"
[ "$(tr -d ' \n' <<<"$out")" = "[]" ] || fail "a fresh home has jobs: $out"
as_tester zbcli job new CHROOT >/dev/null || fail "zbcli job new failed"
out=$(as_tester zbcli job list) || fail "zbcli job list failed"
grep -q '"name": "CHROOT"' <<<"$out" || fail "the new job is not listed: $out"
[ -f "$root/home/tester/.local/share/zbwin/FORMFILE/A4縦3連A.ZBF" ] \
  || fail "the shipped formats were not copied into the per-user folder"
[ ! -e "$root/usr/lib/zbwin/DATAFILE" ] || fail "the program folder was written"
echo "chroot test: passed"
