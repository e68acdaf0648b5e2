#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the
# fuzz targets need, and only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev libcurl4-openssl-dev libxml2-dev
  libcli11-dev nlohmann-json3-dev
  flex bison opensp
  libtiff-dev libpng-dev
  libcpp-httplib-dev tinyproxy
  libcpp-httplib-dev libsqlite3-dev
  default-jdk-headless libcpp-httplib-dev tinyproxy
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

install_cmd=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
  runner=()
elif command -v sudo >/dev/null 2>&1; then
  runner=(sudo)
else
  echo "error: these packages are missing: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && ${install_cmd[*]}" >&2
  exit 1
fi

echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${runner[@]}" apt-get update -qq
"${runner[@]}" "${install_cmd[@]}"
