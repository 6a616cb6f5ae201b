#!/usr/bin/env bash
# Installs the Debian packages the organiser needs; only what is missing.
#   install-deps.sh run   what building and running it takes (make run)
#   install-deps.sh       that and what the tests, sanitizers, fuzzing, benchmarks and the Debian
#                         package take besides (make test, make check, make fuzz, make package)
set -euo pipefail
run_packages=(cmake ninja-build g++ make pkg-config
              qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
              libjpeg62-turbo-dev qtkeychain-qt6-dev
              qt6-qpa-plugins qt6-translations-l10n fonts-liberation2)
test_packages=(libbenchmark-dev dpkg-dev lintian
               xauth xvfb
               clang-14 libclang-rt-14-dev
               radicale openssl
               dunst dbus)
case "${1:-all}" in
    run) packages=("${run_packages[@]}") ;;
    all) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: $0 [run|all]" >&2; exit 2 ;;
esac
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
