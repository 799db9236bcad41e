# Shared by scripts/run and scripts/test: what the program needs from Debian's packages.
# shellcheck shell=bash

TONVOGEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# libpulse lists the sound server's sinks and sources for the device boxes (ALSA's pulse
# plug-in, through which the program reaches them, links it already). libsndfile reads
# other programs' sound files and, with libsamplerate, writes the archive's FLAC, Opus
# and MP3 copies.
TONVOGEL_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libasound2-dev libpulse-dev
  libsndfile1-dev libsamplerate0-dev)
# What scripts/run needs besides: the menu entry's file types reach the desktop's cache
# through update-desktop-database.
TONVOGEL_RUN_PACKAGES=(desktop-file-utils)
# xdotool, trayer and x11-utils drive the end-to-end tests under Xvfb; imagemagick takes
# a screenshot when one fails. The end-to-end and sound tests start a PulseAudio server
# of their own, which the program reaches through ALSA's pulse plugin. The keying tests
# key Hamlib's rigctld (libhamlib-utils) and look at its connections with ss (iproute2).
TONVOGEL_TEST_PACKAGES=(libgtest-dev libgmock-dev xvfb xauth xdotool trayer x11-utils imagemagick
  pulseaudio pulseaudio-utils libasound2-plugins faketime libhamlib-utils iproute2)

# Installs whatever of the named packages is missing. As root with apt-get; otherwise
# prints the one command that would do it and stops.
tonvogel_install() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Tonvogel needs these Debian packages. Install them with:"
    echo "  sudo apt-get install ${missing[*]}"
    exit 1
  fi
}

# tonvogel_wav8 RATE BODY: writes to standard output a WAV file of 8-bit mono samples at
# RATE, the file BODY holding the samples, with the 44-byte header the recorder writes.
tonvogel_wav8() {
  local rate=$1 body=$2 size
  size=$(stat -c %s "$body")
  le32() {
    printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"
    printf "\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"
  }
  printf 'RIFF'; le32 $((size + 36)); printf 'WAVEfmt '
  le32 16; printf '\x01\x00\x01\x00'; le32 "$rate"; le32 "$rate"; printf '\x01\x00\x08\x00'
  printf 'data'; le32 "$size"
  cat "$body"
}
