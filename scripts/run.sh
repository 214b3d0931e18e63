#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# The browser's sandbox refuses to start as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
exec ./build/src/quenlit "$@"
