#!/usr/bin/env bash
# Builds the Debian package (CPack) into build-package/: the program, its desktop entry,
# icons and metainfo under /usr. Its dependencies are what dpkg-shlibdeps finds for the program, plus
# the Chinese font (packaging/CPackSettings.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Packaging needs only the program and its icons, not the tests and benchmarks.
# A folder of its own: the /usr prefix and the partial build stay out of build/.
rm -f build-package/quenlit_*.deb
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package --parallel "$(nproc)" --target quenlit quenlit_icons
(cd build-package && cpack -G DEB)
ls -1 build-package/quenlit_*.deb
