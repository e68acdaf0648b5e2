#!/usr/bin/env bash
# Run by scripts/package-test.sh as root in a mount namespace where HIDDEN
# (the source tree, with its build folders) is an empty tmpfs: the installed
# packages alone serve. Programs run as unprivileged users: "nobody" with a
# home in WORK, and the service's own user for the server.
#   installed-check.sh HIDDEN WORK
set -euo pipefail
hidden=$1
work=$2
fail() { echo "installed check: $*" >&2; exit 1; }
[[ -z $(ls -A "$hidden") ]] || fail "$hidden is not hidden"

home=$work/home
mkdir -p "$home"
chown -R nobody:nogroup "$home" "$work/client"
as_nobody() { runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin "$@"; }

# Versions: the programs print the library's, which the packages carry.
version=$(dpkg-query -W -f='${Version}' libsorrelkernel0)
[[ $(as_nobody sorrel --version) == *" $version" ]] || fail "sorrel --version is not $version"
[[ $(as_nobody sorrel-server --version) == *" $version" ]] || fail "sorrel-server --version"

# The sample session: SGML, TIFF and PNG files.
(cd "$home" && as_nobody sorrel session /usr/share/sorrel/examples/session.verger \
  --out "$home/out" >"$work/session.log" 2>&1) || fail "sorrel session failed: $(cat "$work/session.log")"
for kind in sgml tif png; do
  compgen -G "$home/out/*.$kind" >/dev/null || fail "the session made no .$kind file"
done

# A client compiled with pkg-config and with find_package, over every
# installed header; both print the same line, which starts with MD5("abc").
headers=$work/client/headers.cpp
(cd /usr/include/SORRELKernel && find . -name '*.h' | sort | sed 's|^\./\(.*\)|#include "\1"|') \
  >"$headers"
as_nobody sh -c "g++ -Wall -Wextra -Werror $work/client/main.cpp $headers \
  \$(pkg-config --cflags --libs sorrelkernel) -o $work/client/by-pkg-config"
as_nobody cmake -S "$work/client" -B "$work/client/build" -G Ninja \
  -DSORREL_INSTALLED_HEADERS="$headers" >/dev/null
as_nobody cmake --build "$work/client/build" >/dev/null
first=$(as_nobody "$work/client/by-pkg-config")
second=$(as_nobody "$work/client/build/sorrel_client")
digest=$(printf abc | md5sum | cut -d' ' -f1)
[[ $first == "$second" && $first == "$digest "* ]] || fail "clients printed '$first' and '$second'"

# The manual pages and the completion.
as_nobody env MANPAGER=cat man sorrel 2>/dev/null | grep -q "EXIT STATUS" || fail "man sorrel"
as_nobody env MANPAGER=cat man 8 sorrel-server 2>/dev/null | grep -q -- "--sample-dir" ||
  fail "man sorrel-server"
completion=$(pkg-config --variable=completionsdir bash-completion)/sorrel
words=$(bash -c "source /usr/share/bash-completion/bash_completion; source $completion
  COMP_WORDS=(sorrel session --u); COMP_CWORD=2; COMP_LINE='sorrel session --u'
  COMP_POINT=\${#COMP_LINE}; _sorrel; echo \${COMPREPLY[*]}")
[[ $words == *--url* && $words == *--user* ]] || fail "completion of 'sorrel session --u': $words"

# The service: its unit verifies, and its start command, run by hand as the
# service's user with the options of /etc/sorrel (on a free port), serves.
unit=/lib/systemd/system/sorrel-server.service
systemd-analyze verify "$unit" || fail "systemd-analyze verify $unit"
start=$(sed -n 's/^ExecStart=//p' "$unit")
options=$(. /etc/sorrel/sorrel-server.conf && echo "$SORREL_SERVER_OPTIONS")
runuser -u sorrel -- ${start/\$SORREL_SERVER_OPTIONS/$options} --port 0 \
  >"$work/server.out" 2>"$work/server.log" &
server=$!
for _ in $(seq 600); do [[ -s $work/server.out ]] && break; sleep 0.1; done
url=$(head -1 "$work/server.out")
answer=$(as_nobody env SORREL_PASSWORD=demo sorrel login --url "$url" --user demo 2>&1) ||
  { kill "$server"; fail "sorrel login at '$url': $answer $(cat "$work/server.log")"; }
kill "$server"
wait "$server" || true
[[ -f /var/lib/sorrel/SAMPLE/documents.ktf ]] || fail "the service made no sample base"
echo "installed check: passed"
