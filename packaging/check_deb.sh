#!/bin/bash
# Makes the hack's Debian package from a native build and checks it: its control fields, that
# it holds exactly the hack and its settings file where XScreenSaver looks, that the hack needs
# no library beyond the C library, Xlib and libXext, and that the settings file is well formed.
# Usage: check_deb.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$out/_CPack_Packages" "$out"/torvex-xscreensaver_*.deb "$out/root"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
shopt -s nullglob
debs=("$out"/torvex-xscreensaver_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "${#debs[@]} packages in $out"
deb=${debs[0]}

field() {
    dpkg-deb -f "$deb" "$1"
}
arch=$(dpkg --print-architecture)
[ "$(field Package)" = torvex-xscreensaver ] || fail "Package: $(field Package)"
[ "$(field Depends)" = "libx11-6, libxext6" ] || fail "Depends: $(field Depends)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
version=$(field Version)
[ "$(basename "$deb")" = "torvex-xscreensaver_${version}_$arch.deb" ] ||
    fail "named $(basename "$deb")"
if [ -z "$(field Maintainer)" ] || [ -z "$(field Description)" ]; then
    fail "no maintainer or description"
fi

# Mode and path of every entry, directories included.
dpkg-deb -c "$deb" | awk '{ print $1, $6 }' | sort >"$out/contents.txt"
cat >"$out/contents.expected" <<'LIST'
-rw-r--r-- ./usr/share/xscreensaver/config/torvex.xml
-rwxr-xr-x ./usr/libexec/xscreensaver/torvex
drwxr-xr-x ./usr/
drwxr-xr-x ./usr/libexec/
drwxr-xr-x ./usr/libexec/xscreensaver/
drwxr-xr-x ./usr/share/
drwxr-xr-x ./usr/share/xscreensaver/
drwxr-xr-x ./usr/share/xscreensaver/config/
LIST
sort -o "$out/contents.expected" "$out/contents.expected"
diff -u "$out/contents.expected" "$out/contents.txt" || fail "the package holds other files"

dpkg-deb -x "$deb" "$out/root"
hack=$out/root/usr/libexec/xscreensaver/torvex
# Every library the hack loads comes from the C library's package or from the two it depends on.
needed=$(objdump -p "$hack" | awk '$1 == "NEEDED" { print $2 }' | sort | tr '\n' ' ')
multiarch=$(gcc -print-multiarch)
for library in $needed; do
    owner=$(dpkg -S "*/$multiarch/$library" 2>/dev/null | head -n 1 | cut -d: -f1)
    case $owner in
        libc6 | libx11-6 | libxext6) ;;
        *) fail "the hack needs $library (from '${owner:-no package}')" ;;
    esac
done
if objdump -h "$hack" | grep -q '\.debug_info'; then
    fail "the packaged hack is not stripped"
fi
"$hack" --help | grep -q -- "-window-id" || fail "the packaged hack does not run"

python3 - "$out/root/usr/share/xscreensaver/config/torvex.xml" <<'PY' || fail "torvex.xml"
import sys
import xml.etree.ElementTree as ET

root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "torvex", root.attrib
args = [e.get("arg") or e.get("arg-set") for e in root if e.tag in ("number", "boolean")]
assert sorted(args) == ["--delay %", "--fps"], args
description = root.findtext("_description").strip()
assert description and "\n\n" not in description, description
PY

echo "$(basename "$deb"): $(field Package) $version $arch, Depends: $(field Depends)"
echo "  holds /usr/libexec/xscreensaver/torvex (needs $needed) and" \
    "/usr/share/xscreensaver/config/torvex.xml"
