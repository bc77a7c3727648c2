#!/usr/bin/env bash
# Builds the game and starts it from the repository root (where Data/ and s_1.txt are).
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
korvalen_install_deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" --target korvalen
exec build/korvalen
