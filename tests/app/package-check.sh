#!/usr/bin/env bash
# The Debian package builds from this build tree and holds the program, its
# help file and pictures folder, the menu entry and the icon, with library
# dependencies worked out from the program.
#   package-check.sh BUILD_DIR OUT_DIR
# Exits with 77 (skipped) without dpkg-deb or dpkg-shlibdeps.
set -euo pipefail
build=$1 out=$2
for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$out/contents"
status=0
for path in \
    /usr/bin/quadrell2x4atts \
    /usr/share/quadrell2x4atts/quadrell2x4atts.html \
    /usr/share/quadrell2x4atts/help/front-panel.png \
    /usr/share/applications/org.orvelt.Quadrell2x4Atts.desktop \
    /usr/share/icons/hicolor/scalable/apps/org.orvelt.Quadrell2x4Atts.svg \
    /usr/share/icons/hicolor/48x48/apps/org.orvelt.Quadrell2x4Atts.png \
    /usr/share/doc/quadrell2x4atts/copyright \
    /usr/share/doc/quadrell2x4atts/remote-example.py \
    /usr/share/doc/quadrell2x4atts/scpi-example.py \
    /usr/sbin/quadrell2x4attsd \
    /usr/lib/systemd/system/quadrell2x4attsd@.service \
    /usr/share/doc/quadrell2x4atts/examples/bench1.cfg; do
    grep -qxF "$path" "$out/contents" || { echo "missing from the package: $path"; status=1; }
done
# Nothing of the build tree, the tests or the tools rides along.
# (The service's unit lives under /usr/lib/systemd.)
if grep -vE '^/usr/lib/(systemd/.*)?$' "$out/contents" | grep -E '/(tests?|bench|rack-sim|seqplay|lib)(/|$)|\.a$'; then
    echo "the package holds files that are not the program's"
    status=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libqt6dbus6 libqt6network6 libjpeg62-turbo libsystemd0; do
    # One entry of the comma-separated list, with or without a version.
    [[ ", $depends," =~ ,\ $lib[\ ,] ]] || { echo "not among the dependencies: $lib ($depends)"; status=1; }
done
for field in Maintainer Section Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || { echo "no $field"; status=1; }
done
# The menu entry starts the installed program and names an installed icon.
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/org.orvelt.Quadrell2x4Atts.desktop)
grep -qx 'Exec=quadrell2x4atts' <<<"$entry" || { echo "the menu entry does not start the program"; status=1; }
grep -qx 'Icon=org.orvelt.Quadrell2x4Atts' <<<"$entry" || { echo "the menu entry names another icon"; status=1; }
if command -v desktop-file-validate >/dev/null; then
    printf '%s\n' "$entry" >"$out/entry.desktop"
    desktop-file-validate "$out/entry.desktop" || status=1
fi
[ "$status" = 0 ] && echo "passed: $(basename "$deb"), $(wc -l <"$out/contents") entries; depends: $depends"
exit "$status"
