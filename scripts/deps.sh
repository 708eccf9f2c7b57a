#!/usr/bin/env bash
# Installs the Debian packages a job needs, if any is missing: "main" for the
# build and the render job, "test" (the default) adds the test and benchmark
# libraries and the Windows cross build with Wine to run its tests. Safe to run
# any number of times; runs apt-get update at most once.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config binutils libsndfile1-dev libcairo2-dev libebur128-dev
  libx11-dev libfreetype-dev fonts-liberation2)
if [ "${1:-test}" != "main" ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev)
  # The toolkit tests: a virtual X server, real input and resource counts.
  packages+=(xvfb xauth libxtst-dev libxres-dev)
  # The preset strip's file dialogs, answered on the virtual X server.
  packages+=(zenity)
  # An editor made by another toolkit, for emberline view's host test.
  packages+=(lsp-plugins-vst)
  # The Windows libraries: MinGW-w64 (POSIX threads), GoogleTest's sources to
  # build with it, and 64-bit Wine to run the tests.
  packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fi

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "== installing ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
