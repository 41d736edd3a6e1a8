#!/usr/bin/env bash
# Installs the Debian packages Cordalis needs to build, test and run its demo.
# Idempotent: when every package is already installed it changes nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  qt6-translations-l10n
  libxml2-dev libxml2-utils
  libcurl4-openssl-dev
  pxlib-dev
  libgtest-dev
  python3 python3-pyftpdlib python3-openssl
  proftpd-core proftpd-mod-crypto
  xvfb xauth
  lftp
  desktop-file-utils appstream systemd
  clang clang-format
  ccache
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Packages missing (${missing[*]}); run this script as root to install them." >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
