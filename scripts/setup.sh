#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the updater needs.
# Safe to run twice; asks nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-translations-l10n libgl-dev
  libcurl4-openssl-dev zlib1g-dev libxcb1-dev libgcrypt20-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xclip fonts-wqy-microhei
  nginx-light curl unzip zip
  libarchive-tools 7zip  # extraction benchmark peers only
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# nginx is only a test peer: never leave the packaged service running.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
if [[ -x /etc/init.d/nginx ]]; then /etc/init.d/nginx stop >/dev/null 2>&1 || true; fi
