#!/usr/bin/env bash
# Builds the Debian package (CPack) into build/: the program, its desktop entry, icons and
# metainfo under /usr. Its dependencies are what dpkg-shlibdeps finds for the program, plus
# the Chinese font (packaging/CPackSettings.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Packaging needs only the program and its icons, not the tests and benchmarks.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build --parallel "$(nproc)" --target quenlit quenlit_icons
(cd build && cpack -G DEB)
ls -1 build/quenlit_*.deb
