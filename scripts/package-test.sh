#!/usr/bin/env bash
# CI (as root): builds the Debian packages (scripts/package.sh), installs them
# with apt-get, then runs packaging/installed-check.sh in a mount namespace
# where a tmpfs hides the source and build trees, so that only the installed
# files serve. Then removes the packages (the data stays), purges them
# (nothing stays), and checks both. The machine is left as it was.
#   scripts/package-test.sh [BUILD_DIR]     default build-package/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [[ $(id -u) -ne 0 ]]; then
  echo "error: the package test installs packages and must run as root" >&2
  exit 1
fi
dir=${1:-build-package}
packages=(libsorrelkernel0 libsorrelkernel-dev sorrel-common sorrel sorrel-server)
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed; then
    echo "error: $p is installed already; the test would remove it" >&2
    exit 1
  fi
done

bash scripts/package.sh "$dir"

work=$(mktemp -d /tmp/sorrel-package-test.XXXXXX)
chmod 0755 "$work"
cleanup() {
  dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
debs=()
for p in "$root/$dir"/packages/*.deb; do debs+=("$p"); done
apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
# Every file the packages put on the machine, for the checks after removal.
dpkg -L "${packages[@]}" | sort -u >"$work/files"

# What the check needs from the sources is copied out before they are hidden.
cp -r tests/kernel/client "$work/client"
cp packaging/installed-check.sh "$work/"
unshare --mount --propagation private \
  bash -c 'mount -t tmpfs sorrel-hidden "$1" && bash "$2/installed-check.sh" "$1" "$2"' \
  check "$root" "$work"

fail() { echo "package test: $*" >&2; exit 1; }
# What remains of a package's files that is not a folder.
remaining() {
  while read -r path; do
    [[ -e $path && ! -d $path ]] && echo "$path"
  done <"$work/files"
  find /etc/systemd /var/lib/systemd -name '*sorrel*' 2>/dev/null || true
}

# dpkg rather than apt-get: a package removed without conffiles is unknown
# to apt afterwards, and dpkg passes over it.
dpkg --remove "${packages[@]}" >/dev/null
# Removed: the configuration (conffiles), the base and the service user stay,
# with systemd's record of the disabled service.
left=$(remaining | grep -v -e '^/etc/sorrel/' -e '^/etc/systemd/' -e '^/var/lib/systemd/' || true)
[[ -z $left ]] || fail "left after remove: $left"
[[ -d /var/lib/sorrel/SAMPLE ]] || fail "remove did not keep the sample base"
[[ -f /etc/sorrel/users.ini ]] || fail "remove did not keep /etc/sorrel/users.ini"
getent passwd sorrel >/dev/null || fail "remove did not keep the service user"

dpkg --purge "${packages[@]}" >/dev/null 2>&1
left=$(remaining || true)
[[ -z $left ]] || fail "left after purge: $left"
for gone in /etc/sorrel /var/lib/sorrel; do
  [[ ! -e $gone ]] || fail "purge left $gone"
done
! getent passwd sorrel >/dev/null || fail "purge left the user sorrel"
! getent group sorrel >/dev/null || fail "purge left the group sorrel"
echo "package test: passed"
