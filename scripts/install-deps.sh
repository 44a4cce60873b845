#!/usr/bin/env bash
# Installs the Debian packages Quillmoor needs to build, test and run.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev
  libssl-dev
  qtkeychain-qt6-dev libsecret-1-0 libsecret-tools
  gnome-keyring dbus-daemon
  vsftpd python3 python3-pyftpdlib python3-openssl curl
  xvfb xauth x11-utils imagemagick xdotool
  shared-mime-info desktop-file-utils xdg-utils hicolor-icon-theme adwaita-icon-theme
  fonts-dejavu-core
)

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update
  sudo_if_needed apt-get install -y --no-install-recommends "${missing[@]}"
fi

# vsftpd's package starts a system-wide daemon on port 21; the tests start their
# own instances on free ports, so the packaged one is not needed.
