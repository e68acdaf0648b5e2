#!/usr/bin/env bash
# Builds the Debian packages (CPack's DEB generator over the install
# components, cmake/SorrelDebian.cmake) into BUILD_DIR/packages, then checks
# them with lintian, which must report no error.
#   scripts/package.sh [BUILD_DIR]     default build-package/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir=${1:-build-package}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# The prefix and the Debian locations are chosen when configuring: the
# multiarch library folder, /etc and systemd's unit folder.
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF -DSORREL_DEBIAN_PACKAGE=ON \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc \
  -DSORREL_SYSTEMD_UNIT_DIR=/lib/systemd/system >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -rf "$dir/packages"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/packages/*.deb

if command -v lintian >/dev/null 2>&1; then
  # Errors fail the script; the warnings that stay are listed, with why,
  # in docs/install.md.
  lintian --fail-on error \
    "$dir"/packages/*.deb
else
  echo "lintian is not installed: the packages were not checked" >&2
fi
