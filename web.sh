#!/usr/bin/env bash
# Builds Korvalen for a web browser into build-web/: index.html, the program (index.js,
# index.wasm) and the images and arena it preloads (index.data). Serve that folder with
# any web server and open it in a browser. --test also runs the browser test.
#
# The game is the same C++ as the desktop's, compiled with Debian's emscripten. SDL2 (and
# SDL2_mixer, WAV only) are compiled for the web once from Debian's own source packages and
# kept in build-web/deps; a copy outside the clone (KORVALEN_WEB_CACHE, by default
# ~/.cache/korvalen-web) lets a fresh clone on the same machine skip that build.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

usage() {
  echo "Usage: ./web.sh [--test]"
  echo "Builds the browser version into build-web/; --test also runs tests/web/browser_test.py."
}
run_test=false
case "${1:-}" in
  "") ;;
  --test) run_test=true ;;
  -h | --help) usage; exit 0 ;;
  *) echo "web.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
esac

out=$root/build-web
deps=$out/deps
cache=${KORVALEN_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvalen-web}
jobs=$(nproc)
# Debian's emscripten is run with Debian's node modules whichever node is first in PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# Seconds since start, for the closing summary of what took how long.
started=$SECONDS
step_times=()
step_done() { step_times+=("$1 $((SECONDS - step_started))s"); step_started=$SECONDS; }
step_started=$SECONDS

source tools/deps.sh
# emscripten, a browser for the test and the DevTools client; tar unpacks the sources.
KORVALEN_DEPS_ONLY=1 korvalen_install_deps cmake make emscripten xz-utils \
  $($run_test && echo chromium python3-websocket fonts-dejavu-core)
step_done installs

# The versions of SDL2 and SDL2_mixer the desktop links, built for the web. The build's
# options are part of the cache's name, so a change to them builds again.
sdl_options=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_TEST=OFF
             -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF
             -DSDL_HIDAPI=OFF -DSDL2_DISABLE_SDL2MAIN=ON -DSDL_CCACHE=OFF)
mixer_options=(-DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_CMD=OFF
               -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_VORBIS=
               -DSDL2MIXER_MP3=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_WAVE=ON
               -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_VENDORED=OFF)
emcc_version=$(emcc -dumpversion 2>/dev/null || echo unknown)
key=$(printf '%s\n' "$emcc_version" "${sdl_options[*]}" "${mixer_options[*]}" | md5sum | cut -c1-12)
stamp=$deps/built-$key

# Fetches the source of one Debian package into $deps/src with a source list of our own:
# the system's lists stay as they are.
fetch_source() {
  local package=$1 apt_dir=$deps/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt_dir/sources.list"
  local options=(-o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
                 -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
                 -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
                 -o APT::Sandbox::User=root -qq)
  [ -e "$apt_dir/lists/updated" ] || {
    apt-get "${options[@]}" update && touch "$apt_dir/lists/updated"
  }
  (cd "$deps/src" && apt-get "${options[@]}" source --download-only "$package")
}

# Unpacks the upstream tarball of a fetched source into $deps/src/NAME-VERSION.
unpack_source() {
  local tarball
  tarball=$(ls "$deps/src/$1"_*.orig.tar.* | head -1)
  tar -xf "$tarball" -C "$deps/src"
}

# Builds SDL2 and SDL2_mixer into $deps/prefix with emscripten: about 12 minutes on one core.
build_sdl() {
  rm -rf "$deps"
  mkdir -p "$deps"
  fetch_source libsdl2
  fetch_source libsdl2-mixer
  unpack_source libsdl2
  unpack_source libsdl2-mixer
  local prefix=$deps/prefix
  emcmake cmake -S "$deps"/src/SDL2-2.* -B "$deps/sdl2-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${sdl_options[@]}" >"$deps/sdl2-configure.log"
  nice -n 5 cmake --build "$deps/sdl2-build" -j"$jobs" >"$deps/sdl2-build.log"
  cmake --install "$deps/sdl2-build" >/dev/null
  emcmake cmake -S "$deps"/src/SDL2_mixer-2.* -B "$deps/mixer-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DSDL2_DIR="$prefix/lib/cmake/SDL2" "${mixer_options[@]}" >"$deps/mixer-configure.log"
  nice -n 5 cmake --build "$deps/mixer-build" -j"$jobs" >"$deps/mixer-build.log"
  cmake --install "$deps/mixer-build" >/dev/null
  touch "$stamp"
}

if [ ! -e "$stamp" ]; then
  if [ -e "$cache/built-$key" ]; then
    echo "SDL2 for the web: taken from $cache"
    rm -rf "$deps"
    mkdir -p "$deps"
    cp -a "$cache/prefix" "$deps/prefix"
    touch "$stamp"
  else
    echo "SDL2 and SDL2_mixer for the web: building from Debian's sources (once; about 12 minutes on one core)"
    build_sdl
    # Kept for the next clone on this machine; a cache that cannot be written is only slower.
    if mkdir -p "$cache" 2>/dev/null && rm -rf "$cache/prefix" && cp -a "$deps/prefix" "$cache/prefix"; then
      rm -f "$cache"/built-* && touch "$cache/built-$key"
    fi
  fi
fi
step_done "SDL2 for the web"

# The game: the repository's folders, configured for emscripten, into build-web/.
emcmake cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKORVALEN_HARDEN=OFF \
  -DKORVALEN_WEB_DEPS="$deps/prefix" >"$out/configure.log" || {
  cat "$out/configure.log" >&2
  exit 1
}
nice -n 5 cmake --build "$out" -j"$jobs" --target korvalen
step_done "game build"

if $run_test; then
  /usr/bin/python3 tests/web/browser_test.py "$out" --shots "$out/test-shots"
  step_done "browser test"
fi

echo
echo "Built: $out/index.html with index.js, index.wasm and index.data (${step_times[*]}; $((SECONDS - started))s in all)"
echo "To play: cd build-web && python3 -m http.server 8000, then open http://localhost:8000/ in a browser"
echo "(http://localhost:8000/?bot=2 plays against the computer). A page opened as a file cannot load its data."
