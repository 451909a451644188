#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it with dpkg-deb into a
# scratch folder, checks its layout and the files Debian wants (lintian when
# installed), and runs the unpacked zbcli from its program folder made
# read-only, with a scratch home: the per-user data folder is what it uses.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
fail() { echo "package test: $*" >&2; exit 1; }

for program in ZBWin zbcli Setup; do
  [ -x "$build/bin/$program" ] || fail "$program is not built (the package takes the built programs)"
done

scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/out/zbwin_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no zbwin_<version>_amd64.deb"
deb=${debs[0]}

info=$(dpkg-deb --field "$deb" Package Architecture Depends)
grep -q '^Package: zbwin$' <<<"$info" || fail "package name: $info"
grep -q '^Architecture: amd64$' <<<"$info" || fail "architecture: $info"
for dep in libqt6core6 libqt6widgets6 libsqlite3-0 fonts-ipafont-gothic qt6-image-formats-plugins; do
  grep -q "$dep" <<<"$info" || fail "missing dependency $dep: $info"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for f in usr/lib/zbwin/ZBWin usr/lib/zbwin/zbcli usr/lib/zbwin/Setup usr/bin/zbwin usr/bin/zbcli \
         usr/share/zbwin/USERFILE/ZBGRPH.LST "usr/share/zbwin/FORMFILE/A4縦3連A.ZBF" \
         usr/share/doc/zbwin/copyright usr/share/doc/zbwin/changelog.gz \
         usr/share/man/man1/zbwin.1.gz usr/share/man/man1/zbcli.1.gz \
         usr/share/applications/zbwin.desktop usr/share/icons/hicolor/scalable/apps/zbwin.svg; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
[ ! -e "$root/opt" ] || fail "the package has files under /opt"
[ -x "$root/usr/bin/zbwin" ] && [ -x "$root/usr/bin/zbcli" ] || fail "launchers are not executable"
grep -q 'exec /usr/lib/zbwin/zbcli' "$root/usr/bin/zbcli" || fail "zbcli launcher"
grep -q 'exec /usr/lib/zbwin/ZBWin' "$root/usr/bin/zbwin" || fail "zbwin launcher"
desktop-file-validate "$root/usr/share/applications/zbwin.desktop" || fail "desktop entry not valid"
for program in ZBWin zbcli Setup; do
  ! readelf -S "$root/usr/lib/zbwin/$program" | grep -q '\.symtab' || fail "$program is not stripped"
done
grep -q '^License: ' "$root/usr/share/doc/zbwin/copyright" || fail "the copyright file names no licence"
version=$(dpkg-deb --field "$deb" Version)
zcat "$root/usr/share/doc/zbwin/changelog.gz" | head -1 | grep -qF "zbwin ($version)" \
  || fail "the changelog's newest entry is not version $version"
description=$(dpkg-deb --field "$deb" Description)
[ "$(wc -l <<<"$description")" -gt 3 ] || fail "no extended description: $description"
maintainer=$(dpkg-deb --field "$deb" Maintainer)
grep -qv 'localhost' <<<"$maintainer" || fail "maintainer address at localhost: $maintainer"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$scratch/lintian" 2>&1 || { cat "$scratch/lintian" >&2; fail "lintian reports errors"; }
else
  echo "package test: lintian is not installed, its check is left to ./zb package" >&2
fi

# An installed program folder is not writable. Root writes anywhere, so as
# root the program runs as nobody.
chmod -R a-w "$root/usr"
home=$scratch/home
mkdir -p "$home"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$scratch"
  chown nobody "$home"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
zbcli() {
  env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 ASAN_OPTIONS=detect_leaks=0 "${as[@]}" \
    "$root/usr/lib/zbwin/zbcli" "$@" 2>"$scratch/err" || { cat "$scratch/err" >&2; fail "zbcli $* failed"; }
}
out=$(zbcli job list)
[ "$(tr -d ' \n' <<<"$out")" = "[]" ] || fail "a fresh home has jobs: $out"
zbcli job new PKGTEST >/dev/null
out=$(zbcli job list)
grep -q '"name": "PKGTEST"' <<<"$out" || fail "the new job is not listed: $out"
[ -d "$home/.local/share/zbwin/DATAFILE" ] || fail "the per-user data folder was not used"
[ ! -e "$root/usr/lib/zbwin/DATAFILE" ] || fail "the program folder was written"
# The shipped files, found beside the installed programs, were copied into
# the per-user folder the first time.
for f in "FORMFILE/A4縦3連A.ZBF" USERFILE/ZBGRPH.LST; do
  cmp -s "$root/usr/share/zbwin/$f" "$home/.local/share/zbwin/$f" || fail "$f was not copied into the per-user folder"
done
