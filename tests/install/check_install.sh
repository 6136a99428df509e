#!/usr/bin/env bash
# Installs a built tree into a scratch DESTDIR and checks what a desktop needs of it: both
# programs (which print the version), the menu entry, icon, file type, thumbnailer, AppStream
# metainfo and manual pages, each checked by the tool the desktop itself uses.
set -euo pipefail
build=$1
version=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root="$dest/usr"
share="$root/share"
for f in bin/mienwright bin/mienwright-cli share/applications/mienwright.desktop \
         share/metainfo/org.mienwright.Mienwright.metainfo.xml share/mime/packages/mienwright-face.xml \
         share/thumbnailers/mienwright.thumbnailer share/icons/hicolor/scalable/apps/mienwright.svg \
         share/man/man1/mienwright.1 share/man/man1/mienwright-cli.1; do
  [[ -f "$root/$f" ]] || fail "not installed: $f"
done
for size in 16 32 48 64 128 256; do
  [[ -f "$share/icons/hicolor/${size}x${size}/apps/mienwright.png" ]] || fail "no ${size}px icon"
done

[[ "$("$root/bin/mienwright-cli" --version)" == *"$version"* ]] || fail "mienwright-cli --version"
[[ "$(QT_QPA_PLATFORM=offscreen "$root/bin/mienwright" --version 2>/dev/null)" == *"$version"* ]] || fail "mienwright --version"

desktop-file-validate "$share/applications/mienwright.desktop" || fail "desktop entry"
appstream-util validate-relax --nonet "$share/metainfo/org.mienwright.Mienwright.metainfo.xml" >/dev/null ||
  fail "metainfo: $(appstream-util validate-relax --nonet "$share/metainfo/org.mienwright.Mienwright.metainfo.xml")"
grep -q "release version=\"$version\"" "$share/metainfo/org.mienwright.Mienwright.metainfo.xml" || fail "metainfo version"

# The file type, as the desktop's MIME database compiles it: by extension and by content.
update-mime-database "$share/mime" >/dev/null 2>&1 || fail "mime database"
grep -q '^model/x-mienwright-face:\*\.tvf$' "$share/mime/globs" || fail "no *.tvf glob"
grep -q 'Face {' "$share/mime/magic" || fail "no 'Face {' magic"
grep -q '^MimeType=model/x-mienwright-face;$' "$share/thumbnailers/mienwright.thumbnailer" || fail "thumbnailer type"

for page in mienwright mienwright-cli; do
  warnings=$(groff -man -ww -z "$share/man/man1/$page.1" 2>&1)
  [[ -z "$warnings" ]] || fail "manual page $page: $warnings"
  grep -q "$version" "$share/man/man1/$page.1" || fail "manual page $page names no version"
done
echo "install: every file in place and valid"
