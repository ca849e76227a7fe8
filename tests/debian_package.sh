#!/bin/sh
# The Debian package built from this build folder: lintian finds no error and
# no warning in it, every command in it has a completion of its name, and its
# changelog's latest entry is this version. Status 77 (skipped) without lintian.
#   tests/debian_package.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
command -v lintian >/dev/null || { echo "lintian is not installed"; exit 77; }
out=$build/debian-package-test
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/velliqor_*.deb)
lintian --no-cfg --ignore-lintian-env --display-info --fail-on error,warning "$deb"
listing=$(dpkg-deb -c "$deb")
bad=0
for command in $(echo "$listing" | sed -n 's|.* \./usr/bin/||p'); do
  echo "$listing" | grep -q " \./usr/share/bash-completion/completions/$command\( \|$\)" ||
    { echo "no completion for $command"; bad=1; }
done
latest=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velliqor/changelog.gz | gzip -dc | head -n 1)
case "$latest" in
  "velliqor ($version) "*) ;;
  *) echo "the changelog's latest entry is not $version: $latest"; bad=1 ;;
esac
rm -rf "$out"
exit $bad
