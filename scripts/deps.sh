#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
# Safe to run any number of times; runs apt-get update at most once.
set -euo pipefail

EMBERLINE_PACKAGES=(
  cmake ninja-build g++ pkg-config binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcairo2-dev libx11-dev
)

missing=()
for pkg in "${EMBERLINE_PACKAGES[@]}" "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
