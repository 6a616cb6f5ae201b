#!/usr/bin/env bash
# Installs the Debian packages the organiser needs to build, run and test; only what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ make pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
          libjpeg62-turbo-dev libbenchmark-dev qtkeychain-qt6-dev
          qt6-translations-l10n dpkg-dev lintian
          fonts-liberation2 xauth xvfb
          clang-14 libclang-rt-14-dev
          radicale openssl
          dunst dbus)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
