#!/usr/bin/env bash
# Installs the built program into a throw-away prefix as a user's package manager would, checks
# what landed there with the desktop's own validators, then makes the Debian package and lists
# its contents and dependencies.
# Usage: install_check.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps cpack; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/deps.sh)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
identifier=$(sed -n 's/^LUMARIN_BUNDLE_IDENTIFIER:STRING=//p' "$build/CMakeCache.txt")
expected=(
    "bin/lumarin"
    "share/applications/$identifier.desktop"
    "share/icons/hicolor/scalable/apps/$identifier.svg"
    "share/metainfo/$identifier.metainfo.xml"
)
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || { echo "FAIL: $file was not installed"; cat "$work/install.log"; exit 1; }
done
[ -x "$prefix/bin/lumarin" ] || { echo "FAIL: bin/lumarin is not executable"; exit 1; }
# Built with shared libraries, the program's own go into a folder of its own.
unexpected=$(cd "$prefix" && find . -type f |
    grep -v -e '^./bin/lumarin$' -e '^./share/' -e '^./lib[^/]*/lumarin/lib[a-z_]*\.so$' || true)
[ -z "$unexpected" ] || { echo "FAIL: more than the program was installed:"; echo "$unexpected"; exit 1; }
missing=$(ldd "$prefix/bin/lumarin" | grep 'not found' || true)
[ -z "$missing" ] || { echo "FAIL: the installed program lacks libraries:"; echo "$missing"; exit 1; }

desktop=$prefix/share/applications/$identifier.desktop
desktop-file-validate "$desktop"
grep -qx 'MimeType=x-scheme-handler/kerlo;' "$desktop" || { echo "FAIL: no kerlo scheme"; exit 1; }
grep -qx "Icon=$identifier" "$desktop" || { echo "FAIL: the entry names another icon"; exit 1; }
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$identifier.metainfo.xml"
echo "Installed and valid: ${expected[*]}"

# The package, made from the same install rules; its dependencies found from the binary.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log") ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no .deb was made"; cat "$work/cpack.log"; exit 1; }
echo "Package $(basename "$deb"):"
dpkg-deb -c "$deb" | tee "$work/contents"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for file in "${expected[@]}"; do
    grep -q "\./usr/$file\$" "$work/contents" || { echo "FAIL: the package lacks /usr/$file"; exit 1; }
done
# Found by dpkg-shlibdeps from the binary's libraries, beside the declared icon theme.
for package in libqt5widgets5 libsecret-1-0 adwaita-icon-theme; do
    grep -q "$package" <<<"$depends" || { echo "FAIL: $package is not a dependency"; exit 1; }
done
echo "PASS"
