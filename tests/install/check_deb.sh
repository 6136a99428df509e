#!/usr/bin/env bash
# Builds the Debian package of a built tree and checks it: the library dependencies that
# dpkg-shlibdeps found, the files it carries, and that the command-line tool it ships runs.
set -euo pipefail
build=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null) || fail "cpack"
deb=$(ls "$work"/out/*.deb 2>/dev/null | head -1)
[[ -n "$deb" ]] || fail "no .deb was made"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libopenscenegraph libqt6widgets6 libc6 libstdc++6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
files=$(dpkg-deb -c "$deb")
for f in ./usr/bin/mienwright ./usr/bin/mienwright-cli ./usr/share/applications/mienwright.desktop \
         ./usr/share/mime/packages/mienwright-face.xml; do
  grep -q " $f\$" <<<"$files" || fail "the package lacks $f"
done

dpkg-deb -x "$deb" "$work/root"
out=$("$work/root/usr/bin/mienwright-cli" info "$sample") || fail "the packaged mienwright-cli does not run"
[[ "$out" == *jaw_open* ]] || fail "unexpected info output: $out"
echo "deb: $(basename "$deb") depends on $depends"
