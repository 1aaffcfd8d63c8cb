#!/bin/bash
# check_release.sh BUILD_DIR ARCH OBJDUMP MAGIC
# Checks what a Windows build releases: the ZIP holds exactly torvex.scr (a saver that passes the
# shipped-executable checks) and the install text; the installer, when there is one, holds the
# same torvex.scr for the system folder. A 64-bit installer is also run under Wine, silently, in
# a copy of the build's prefix: it must put the saver into system32 and register its
# uninstaller, and the uninstaller must take both away again.
set -euo pipefail
build=$1
arch=$2
objdump=$3
magic=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
# The project's version, as the build was configured with it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "FAIL: no project version in $build/CMakeCache.txt"; exit 1; }
zip=$build/release/torvex-$version-$arch.zip
setup=$build/release/torvex-$version-$arch-setup.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

[ -f "$zip" ] || fail "no $zip"
names=$(unzip -Z1 "$zip" | sort)
expected=$(printf '%s\n' "torvex-$version-$arch/INSTALL.txt" "torvex-$version-$arch/torvex.scr")
[ "$names" = "$expected" ] || fail "$zip holds:"$'\n'"$names"
unzip -q "$zip" -d "$work/zip"
saver=$work/zip/torvex-$version-$arch/torvex.scr
text=$work/zip/torvex-$version-$arch/INSTALL.txt
bash "$root/tests/inspect/check_saver.sh" "$objdump" "$saver" "$magic" || fail "the ZIP's torvex.scr"
[ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "INSTALL.txt has no byte order mark"
[ "$(grep -c $'\r$' "$text")" = "$(wc -l <"$text")" ] || fail "INSTALL.txt has lines without CRLF"
grep -q 'Right-click torvex.scr and choose "Install"' "$text" || fail "INSTALL.txt lacks the install step"
echo "$zip: $(tr '\n' ' ' <<<"$names")"

if [ ! -f "$setup" ]; then
    echo "no installer ($setup): makensis was not found"
    exit 0
fi
listing=$(7z l -ba "$setup" | awk '{ print $NF }' | sort)
[ "$listing" = $'$SYSDIR/torvex.scr\nINSTALL.txt\nuninstall.exe' ] || fail "$setup holds:"$'\n'"$listing"
# shellcheck disable=SC2016
7z e -so "$setup" '$SYSDIR/torvex.scr' >"$work/setup-torvex.scr" 2>/dev/null
cmp -s "$work/setup-torvex.scr" "$saver" || fail "the installer's torvex.scr is not the ZIP's"
echo "$setup: \$SYSDIR/torvex.scr (the ZIP's), INSTALL.txt, uninstall.exe"

if [ "$arch" != win64 ] || [ ! -f "$build/wineprefix/.torvex-ready" ]; then
    exit 0
fi
# A prefix of its own, on a display of its own: the tests' server and display are not touched.
cp -a "$build/wineprefix" "$work/wineprefix"
[ -d "$build/locale" ] && cp -a "$build/locale" "$work/locale"
run="$root/cmake/wine-run.sh $work/wineprefix"
system32=$work/wineprefix/drive_c/windows/system32
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TORVEX'
# shellcheck disable=SC2016
DISPLAY='' xvfb-run -a -s "-noreset" bash -c '
    set -e
    '"$run"' "'"$setup"'" /S
    '"$run"' reg query "'"$key"'" /v UninstallString >"'"$work"'/key.txt"
' </dev/null >/dev/null 2>&1 || fail "the silent install failed"
cmp -s "$system32/torvex.scr" "$saver" || fail "the installer put no (or another) torvex.scr into system32"
grep -q 'Program Files\\TORVEX\\uninstall.exe' "$work/key.txt" || fail "no uninstaller registered"
# The uninstaller runs from a copy of itself in the temporary folder and returns at once.
# shellcheck disable=SC2016
DISPLAY='' xvfb-run -a -s "-noreset" bash -c '
    '"$run"' "C:\\Program Files\\TORVEX\\uninstall.exe" /S
    for _ in $(seq 50); do
        [ -e "'"$system32"'/torvex.scr" ] || [ -e "'"$work"'/wineprefix/drive_c/Program Files/TORVEX" ] || break
        sleep 0.2
    done
    '"$run"' reg query "'"$key"'" >/dev/null 2>&1 && echo "key still there" >"'"$work"'/left.txt"
    WINEPREFIX="'"$work"'/wineprefix" /usr/lib/wine/wineserver -k || true
' </dev/null >/dev/null 2>&1 || true
[ ! -e "$system32/torvex.scr" ] || fail "the uninstaller left system32/torvex.scr"
[ ! -e "$work/wineprefix/drive_c/Program Files/TORVEX" ] || fail "the uninstaller left its folder"
[ ! -e "$work/left.txt" ] || fail "the uninstaller left its registry key"
echo "$setup: installs into system32 under Wine, registers its uninstaller, which removes both"
