#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the updater needs.
# Safe to run twice; asks nothing.
set -euo pipefail
source "$(dirname "$0")/script_options.sh"
exit_on_help "$@"

# libpcre2-dev is the pattern tests' reference; libre2-dev is only a peer of the pattern
# benchmark. Neither is linked into the updater.
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-translations-l10n libgl-dev
  libcurl4-openssl-dev zlib1g-dev libdeflate-dev libxcb1-dev libgcrypt20-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev libre2-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xclip fonts-wqy-microhei
  nginx-light curl unzip zip
  # The Windows build: the mingw-w64 cross compilers (posix and win32 thread models), zlib
  # for them, GoogleTest's sources to cross-build, and Wine with the i386 libraries its
  # windows need under X, to run the programs and their tests.
  g++-mingw-w64-i686 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-tools
  libz-mingw-w64-dev libgcrypt-mingw-w64-dev googletest
  wine wine32:i386 fonts-wine
  libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxcomposite1:i386
  libxinerama1:i386 libxfixes3:i386 libgnutls30:i386
  # Wine takes the system code page (936) and the charset of file names from this locale.
  locales
  libarchive-tools 7zip  # extraction benchmark peers only
)

if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

# wine32 and its libraries are i386 packages.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# nginx is only a test peer: never leave the packaged service running.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
if [[ -x /etc/init.d/nginx ]]; then /etc/init.d/nginx stop >/dev/null 2>&1 || true; fi

# The Chinese locale under which the Windows tests run.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
