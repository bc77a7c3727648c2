#!/usr/bin/env bash
# Configures, builds and runs every test. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
korvalen_install_deps libgtest-dev libbenchmark-dev xvfb xdotool x11-utils python3-xlib \
  imagemagick clang libclang-rt-14-dev libpng-dev libxtst-dev openbox valgrind \
  coturn mosquitto mosquitto-clients nginx-light libnginx-mod-http-js
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure --no-tests=error -j"$(nproc)" "$@"
