#!/bin/bash
# The whole check: installs what is missing, then configures, builds and tests every preset with
# warnings as errors. This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

echo "=== format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "=== shellcheck"
# From the top of the tree, where the scripts' "shellcheck source=" paths start.
git ls-files -z '*.sh' | xargs -0 shellcheck -x

for preset in native fuzz native32 win64 win32; do
    echo "=== $preset"
    cmake --preset "$preset" -DTORVEX_WERROR=ON
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    runner=$(sed -n 's/^TORVEX_WINE_RUNNER_USED:INTERNAL=//p' "build/$preset/CMakeCache.txt")
    if [ -n "$runner" ] && [ -d "build/$preset/wineprefix" ]; then
        # The test server lingers after its last client; end it with the run.
        "$runner" "$PWD/build/$preset/wineprefix" --kill-server || true
    fi
done

echo "=== deb"
bash packaging/check_deb.sh build/native build/native/release

echo "=== release"
for preset in win32 win64; do
    cmake --build --preset "$preset" --target torvex_installer
    cpack --config "build/$preset/CPackConfig.cmake" >/dev/null
done
bash packaging/check_release.sh build/win32 win32 i686-w64-mingw32-objdump PE32
bash packaging/check_release.sh build/win64 win64 x86_64-w64-mingw32-objdump PE32+
bash tests/inspect/same_resources.sh build/win32/release/stage/torvex.scr \
    build/win64/release/stage/torvex.scr
echo "=== all presets built and tested, releases in build/win32/release and build/win64/release"
