#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those.
#   scripts/setup.sh          what the build, the tests, the benchmarks, the
#                             fuzz targets and the Debian packages need
#   scripts/setup.sh --main   only what the library, the sorrel tool and the
#                             reference server need (the README's first command)
set -euo pipefail

# The library, the tool and the reference server; OpenSP's osx shows printed
# documents in `sorrel web`.
main=(
  cmake ninja-build g++ pkg-config
  libssl-dev libcurl4-openssl-dev libxml2-dev
  libcli11-dev nlohmann-json3-dev libedit-dev
  flex bison libtiff-dev libpng-dev
  libcpp-httplib-dev libsqlite3-dev
  opensp
)
# The tests, benchmarks and fuzz targets besides: the sanitizer compiler,
# GoogleTest and Google Benchmark, tinyproxy as a
# real proxy, squid (a proxy with basic authentication) and nginx (TLS and
# reverse proxying) as real peers, wrk for the server's load benchmark, a JDK
# for the Java bridge's sibling library, libclang's Python binding for the
# function-length check, and headless Chromium with its WebDriver and Python's
# Selenium for the browser tests of `sorrel web`.
tests=(
  clang libclang-rt-14-dev python3-clang-14
  libgtest-dev libgmock-dev libbenchmark-dev
  tinyproxy squid nginx-light wrk default-jdk-headless
  chromium chromium-driver python3-selenium
)

# The Debian packages and their test (scripts/package.sh, package-test.sh):
# help2man for the manual pages, dpkg-dev (dpkg-shlibdeps) and fakeroot for
# the packages, lintian to check them, systemd for systemd-analyze,
# bash-completion for its folder and functions, man-db to show the pages.
package=(
  help2man dpkg-dev fakeroot lintian systemd bash-completion man-db
)

packages=("${main[@]}")
[[ "${1:-}" == "--main" ]] || packages+=("${tests[@]}" "${package[@]}")

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
