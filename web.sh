#!/usr/bin/env bash
# Builds Korvalen for a web browser into build-web/: index.html, the program (index.js,
# index.wasm) and the images and arena it preloads (index.data). Serve that folder with
# any web server and open it in a browser. --test also runs the browser test and the
# online test (the page meets a desktop game and another page on server/run.sh's servers),
# each of its parts on servers of its own, timed in the closing summary.
#
# The game is the same C++ as the desktop's, compiled with Debian's emscripten. SDL2,
# SDL2_mixer (WAV only) and inih are compiled for the web once from Debian's own source
# packages and kept in build-web/deps; a copy outside the clone (KORVALEN_WEB_CACHE, by
# default ~/.cache/korvalen-web) lets a fresh clone on the same machine skip that build.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

usage() {
  echo "Usage: ./web.sh [--test]"
  echo "Builds the browser version into build-web/; --test also runs tests/web/browser_test.py"
  echo "and tests/web/online_test.py (the page with a desktop game, built into build/, with"
  echo "another page, and the page's own faults). --test-online is the same as --test."
}
run_test=false
case "${1:-}" in
  "") ;;
  --test | --test-online) run_test=true ;;
  -h | --help) usage; exit 0 ;;
  *) echo "web.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
esac

out=$root/build-web
deps=$out/deps
cache=${KORVALEN_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvalen-web}
jobs=${KORVALEN_WEB_JOBS:-$(nproc)}
# Debian's emscripten is run with Debian's node modules whichever node is first in PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# Seconds since start, for the closing summary of what took how long.
started=$SECONDS
step_times=()
step_done() { step_times+=("$1 $((SECONDS - step_started))s"); step_started=$SECONDS; }
step_started=$SECONDS

source tools/deps.sh
# emscripten, a browser for the test and the DevTools client; tar unpacks the sources;
# msgfmt (gettext) makes the English catalog.
KORVALEN_DEPS_ONLY=1 korvalen_install_deps cmake make emscripten xz-utils gettext nlohmann-json3-dev \
  $($run_test && echo chromium python3-websocket python3-pil fonts-dejavu-core)
step_done installs

# The versions of SDL2 and SDL2_mixer the desktop links, built for the web with the
# configuration SDL ships for emscripten (include/SDL_config_emscripten.h: no threads, the
# browser's video, audio and pads): every source file compiled once, those of drivers the
# configuration leaves out compile to nothing. CMake's configure step would first run some
# 300 compiler checks, each a whole emscripten link, whose answers that header already holds.
# SDL2_mixer plays WAV only. The flags are part of the cache's name, so a change builds again.
cflags=(-O2 -DNDEBUG -Wno-warn-absolute-paths)
sdl_folders=(. atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file
             filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten
             joystick/virtual libm loadso/dlopen locale locale/emscripten misc misc/emscripten
             power power/emscripten render render/opengles2 render/software sensor
             sensor/dummy stdlib thread thread/generic timer timer/unix video video/yuv2rgb
             video/emscripten)
mixer_flags=(-DMUSIC_WAV)
emcc_version=$(emcc -dumpversion 2>/dev/null || echo unknown)
key=$(printf '%s\n' "$emcc_version" "${cflags[*]}" "${sdl_folders[*]}" "${mixer_flags[*]}" | md5sum | cut -c1-12)
stamp=$deps/built-$key

# Fetches the source of one Debian package into $deps/src with a source list of our own:
# the system's lists stay as they are.
# A second argument names another Debian release to take it from.
fetch_source() {
  local package=$1 suite=${2:-bookworm} apt_dir=$deps/apt
  [ "$suite" = bookworm ] || apt_dir=$deps/apt-$suite
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite main" \
    >"$apt_dir/sources.list"
  local options=(-o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
                 -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
                 -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
                 -o APT::Sandbox::User=root -qq)
  ls "$deps/src/$package"_*.orig.tar.* >/dev/null 2>&1 && return 0
  [ -e "$apt_dir/lists/updated" ] || {
    apt-get "${options[@]}" update && touch "$apt_dir/lists/updated"
  }
  (cd "$deps/src" && apt-get "${options[@]}" source --download-only "$package")
}

# Unpacks the upstream tarball of a fetched source into $deps/src/NAME-VERSION.
unpack_source() {
  local tarball
  tarball=$(ls "$deps/src/$1"_*.orig.tar.* | head -1)
  [ -e "$deps/src/$1.unpacked" ] && return 0
  tar -xf "$tarball" -C "$deps/src" && touch "$deps/src/$1.unpacked"
}

# Compiles the C files $3... of source tree $1 into the static library $2, $jobs at a time.
compile_library() {
  local tree=$1 library=$2 objects=$deps/objects/$(basename "$2" .a)
  shift 2
  mkdir -p "$objects"
  printf '%s\n' "$@" | nice -n 5 xargs -P "$jobs" -I{} sh -c \
    'o="$0/$(echo "$1" | tr / _).o"; [ -e "$o" ] || { emcc -c "$2/$1" -o "$o.tmp" $3 && mv "$o.tmp" "$o"; }' \
    "$objects" {} "$tree" "$COMPILE_FLAGS"
  rm -f "$library"
  emar qc "$library" "$objects"/*.o
}

# Builds SDL2 and SDL2_mixer into $deps/prefix with emscripten. A build stopped half-way
# goes on where it stopped: each object is kept once made.
build_sdl() {
  rm -f "$deps"/built-*
  mkdir -p "$deps"
  fetch_source libsdl2
  fetch_source libsdl2-mixer
  unpack_source libsdl2
  unpack_source libsdl2-mixer
  local prefix=$deps/prefix sdl mixer files=()
  sdl=$(ls -d "$deps"/src/SDL2-2.*/)
  mixer=$(ls -d "$deps"/src/SDL2_mixer-2.*/)
  mkdir -p "$prefix/lib" "$prefix/include/SDL2"
  for folder in "${sdl_folders[@]}"; do
    for file in "$sdl/src/$folder"/*.c; do files+=("src/$folder/$(basename "$file")"); done
  done
  COMPILE_FLAGS="${cflags[*]} -I$sdl/include -I$sdl/src -idirafter $sdl/src/video/khronos" compile_library "$sdl" "$prefix/lib/libSDL2.a" "${files[@]}"
  cp "$sdl"/include/*.h "$prefix/include/SDL2/"
  files=()
  for file in "$mixer"/src/*.c "$mixer"/src/codecs/*.c; do files+=("${file#"$mixer"/}"); done
  COMPILE_FLAGS="${cflags[*]} ${mixer_flags[*]} -I$prefix/include/SDL2 -I$mixer/include -I$mixer/src -I$mixer/src/codecs" \
    compile_library "$mixer" "$prefix/lib/libSDL2_mixer.a" "${files[@]}"
  cp "$mixer"/include/SDL_mixer.h "$prefix/include/SDL2/"
  touch "$stamp"
}

# inih, the settings file's reader, from Debian's source like SDL: one C file, the same
# reader the desktop links. Bookworm's archive no longer serves libinih 55's source, so it
# comes from the next release's (59: the same ini_parse_stream and defaults).
build_inih() {
  fetch_source libinih trixie
  unpack_source libinih
  local tree
  tree=$(ls -d "$deps"/src/inih-*/ | head -1)
  mkdir -p "$deps/prefix/lib" "$deps/prefix/include"
  COMPILE_FLAGS="${cflags[*]}" compile_library "$tree" "$deps/prefix/lib/libinih.a" ini.c
  cp "$tree/ini.h" "$deps/prefix/include/"
  if [ -d "$cache/prefix" ]; then
    mkdir -p "$cache/prefix/include" && cp "$deps/prefix/lib/libinih.a" "$cache/prefix/lib/" &&
      cp "$tree/ini.h" "$cache/prefix/include/" || true
  fi
}

if [ ! -e "$stamp" ]; then
  if [ -e "$cache/built-$key" ]; then
    echo "SDL2 for the web: taken from $cache"
    rm -rf "$deps"
    mkdir -p "$deps"
    cp -a "$cache/prefix" "$deps/prefix"
    touch "$stamp"
  else
    echo "SDL2 and SDL2_mixer for the web: building from Debian's sources (once; a few minutes)"
    build_sdl
    # Kept for the next clone on this machine; a cache that cannot be written is only slower.
    if mkdir -p "$cache" 2>/dev/null && rm -rf "$cache/prefix" && cp -a "$deps/prefix" "$cache/prefix"; then
      rm -f "$cache"/built-* && touch "$cache/built-$key"
    fi
  fi
fi
[ -e "$deps/prefix/lib/libinih.a" ] || build_inih
step_done "SDL2 for the web"

# The page's MQTT client for online play: the mqtt package's browser build, as
# packaging/web/npm/package-lock.json pins it, installed from npm once into the cache (by
# the lock's contents) and copied beside the page.
npm_dir=$root/packaging/web/npm
npm_key=$(cat "$npm_dir/package.json" "$npm_dir/package-lock.json" | md5sum | cut -c1-12)
mqtt_js=$cache/npm-$npm_key/node_modules/mqtt/dist/mqtt.min.js
if [ ! -e "$mqtt_js" ]; then
  echo "mqtt for the web: installing from npm (once)"
  command -v npm >/dev/null || { echo "web.sh: npm is needed once, for the mqtt package (apt-get install npm)" >&2; exit 1; }
  rm -rf "$cache/npm-$npm_key.part"
  mkdir -p "$cache/npm-$npm_key.part"
  cp "$npm_dir/package.json" "$npm_dir/package-lock.json" "$cache/npm-$npm_key.part/"
  (cd "$cache/npm-$npm_key.part" && npm ci --omit=dev --ignore-scripts --no-audit --no-fund >/dev/null)
  rm -rf "$cache/npm-$npm_key"
  mv "$cache/npm-$npm_key.part" "$cache/npm-$npm_key"
fi
step_done "mqtt for the web"

# The game: the repository's folders, configured for emscripten, into build-web/.
emcmake cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKORVALEN_HARDEN=OFF \
  -DKORVALEN_WEB_DEPS="$deps/prefix" >"$out/configure.log" || {
  cat "$out/configure.log" >&2
  exit 1
}
nice -n 5 cmake --build "$out" -j"$jobs" --target korvalen
cp "$mqtt_js" "$out/mqtt.min.js"
step_done "game build"

if $run_test; then
  /usr/bin/python3 tests/web/browser_test.py "$out" --shots "$out/test-shots"
  step_done "browser test"
  # Online: the page with a desktop game and with another page, on server/run.sh's
  # servers; the desktop game and its replay are built (or brought up to date) in build/.
  KORVALEN_DEPS_ONLY=1 korvalen_install_deps coturn mosquitto nginx-light libnginx-mod-http-js xvfb
  korvalen_install_deps
  mkdir -p build
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >build/configure-for-web-test.log 2>&1 ||
    { cat build/configure-for-web-test.log >&2; exit 1; }
  nice -n 5 cmake --build build -j"$jobs" --target korvalen korvalen-replay >/dev/null
  for part in desktop pages faults; do
    /usr/bin/python3 tests/web/online_test.py "$out" --game build/korvalen --shots "$out/test-shots" \
      --only $part
    step_done "online test: $part"
  done
fi

echo
echo "Built: $out/index.html with index.js, index.wasm, index.data and mqtt.min.js (${step_times[*]}; $((SECONDS - started))s in all)"
echo "To play: cd build-web && python3 -m http.server 8000, then open http://localhost:8000/ in a browser"
echo "(http://localhost:8000/?bot=2 plays against the computer). A page opened as a file cannot load its data."
