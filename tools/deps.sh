#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need, when missing.
# Sourced by test.sh and play.sh; works as root or through sudo. Elsewhere (no dpkg)
# it says so and leaves it to CMake to name what is missing.
korvalen_install_deps() {
  if ! command -v dpkg-query >/dev/null; then
    echo "No dpkg here: not checking packages; CMake will say if something is missing." >&2
    return 0
  fi
  # xfonts-base: the X server and SDL's message boxes draw their text with it.
  local want=(build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev libgl1-mesa-dev libglu1-mesa-dev
              libgl1-mesa-dri libenet-dev libinih-dev gettext xfonts-base
              libusrsctp-dev libssl-dev libmosquitto-dev libcurl4-openssl-dev nlohmann-json3-dev "$@")
  # KORVALEN_DEPS_ONLY: the packages named, without the desktop's (the web build).
  [ -n "${KORVALEN_DEPS_ONLY:-}" ] && want=("$@")
  local missing=()
  for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing packages; as root, run:" >&2
      echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
      return 1
    fi
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}
