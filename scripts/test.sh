#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: formatting, the unit, UI and
# end-to-end tests, a short fault soak, a short fuzzing pass, and the tests again under the
# sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
jobs=$(nproc)

echo "== formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tools tests bench -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

echo "== build and test"
# Line tables are all the debug information a failing test's backtrace needs; full debug
# information doubles the objects and a fifth of the compile time.
VEXILON_BUILD_DIR=$root/build/ci "$root/scripts/build.sh" -DVEXILON_WERROR=ON -DVEXILON_BENCH=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
# Most tests wait on sockets, timers and child processes: twice as many as cores keeps both busy.
ctest --test-dir build/ci --output-on-failure -j "$((2 * jobs))" --timeout 300

echo "== fault soak"
"$root/tests/soak/soak.sh" build/ci "${VEXILON_SOAK_SECONDS:-120}"

echo "== install and package"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build/ci --prefix "$prefix" >/dev/null
desktop-file-validate "$prefix/share/applications/vexilon.desktop"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml
(cd build/ci && cpack -G DEB >/dev/null && dpkg-deb --info vexilon_*.deb | grep -E '^ (Package|Version|Depends):')

echo "== fuzzing"
"$root/scripts/fuzz.sh" "${VEXILON_FUZZ_SECONDS:-10}"

echo "== sanitizers"
# Every test, the user interface's included, under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer.
"$root/scripts/sanitize.sh" address
