#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal suite, the same suite
# under the sanitizers, and every fuzz target's corpus followed by 30 s of fuzzing each.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
(cd build && ctest --output-on-failure --timeout 300)
bash scripts/sanitize.sh
bash scripts/fuzz.sh --check 30
