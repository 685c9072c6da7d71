#!/usr/bin/env bash
# What `cmake --install` puts where a Linux desktop looks for it, and the
# Debian package of the same with its dependencies declared.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/usr" > "$work/install.log"
for f in bin/corvane bin/corvane-cli \
         share/applications/corvane.desktop \
         share/icons/hicolor/48x48/apps/corvane.png \
         share/icons/hicolor/256x256/apps/corvane.png \
         share/icons/hicolor/scalable/apps/corvane.svg \
         share/doc/corvane/corvane-help.html; do
  [ -f "$work/usr/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
[ -x "$work/usr/bin/corvane" ] && [ -x "$work/usr/bin/corvane-cli" ]
entry="$work/usr/share/applications/corvane.desktop"
grep -qx 'Exec=corvane' "$entry" && grep -qx 'Icon=corvane' "$entry" &&
  grep -qx 'Type=Application' "$entry" || { echo "desktop entry:" >&2; cat "$entry" >&2; exit 1; }
file "$work/usr/share/icons/hicolor/256x256/apps/corvane.png" | grep -q '256 x 256'

(cd "$build" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$work"/deb/corvane_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6widgets6 libqt6core6 libssl3 libc6 qt6-qpa-plugins; do
  grep -q "$lib" <<< "$depends" || { echo "Depends lacks $lib: $depends" >&2; exit 1; }
done
contents="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/corvane ./usr/bin/corvane-cli ./usr/share/applications/corvane.desktop \
         ./usr/share/doc/corvane/corvane-help.html; do
  grep -q " $f\$" <<< "$contents" || { echo "package lacks $f" >&2; exit 1; }
done
echo "installed and packaged: $(basename "$deb")"
