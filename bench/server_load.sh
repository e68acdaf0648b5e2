#!/usr/bin/env bash
# sorrel-server under load: wrk with CONNECTIONS concurrent connections for
# SECONDS of mixed questions and document fetches (bench/server_load.lua) on
# the generated base of 100,000 documents, the server's resident memory
# sampled every second, and beside it the FTS5-direct floor (server_bench:
# the same questions straight against the base's SQLite index, and the
# server answering one client). Not part of CI: it takes a few minutes.
#   bench/server_load.sh [BUILD_DIR]      (default build; needs sorrel-server
#                                          and bench/server_bench built there)
#   LOAD_SECONDS=60 LOAD_CONNECTIONS=64 LOAD_THREADS=2 LOAD_SESSIONS=64
#   LOAD_SERVER_OPTIONS="--threads 32"   extra options of sorrel-server
#   LOAD_FLOOR=0                          skips the floor (e.g. when trying options)
#   LOAD_BASE=DIR                         another base folder (default BUILD_DIR/bench/base-100k)
# Writes BUILD_DIR/bench/server-load/{summary.txt,wrk.txt,rss.csv,floor.txt,server.log}.
# Exits 1 when any answer was not a real answer (socket error, status other
# than 200, or a body that is not an answer record).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${LOAD_SECONDS:-60}
connections=${LOAD_CONNECTIONS:-64}
threads=${LOAD_THREADS:-2}
sessions=${LOAD_SESSIONS:-64}
server="$build/sorrel-server"
floor_bench="$build/bench/server_bench"
base=${LOAD_BASE:-$build/bench/base-100k}
out="$build/bench/server-load"
mkdir -p "$out"
work=$(mktemp -d)
server_pid=""
sampler_pid=""
cleanup() {
  if [[ -n "$sampler_pid" ]]; then kill "$sampler_pid" 2>/dev/null || true; fi
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
floor=${LOAD_FLOOR:-1}
programs=("$server")
[[ "$floor" != 0 ]] && programs+=("$floor_bench")
for program in "${programs[@]}"; do
  [[ -x "$program" ]] || { echo "missing $program (build it first)" >&2; exit 2; }
done
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/setup.sh)" >&2; exit 2; }
if [[ ! -f "$base/documents.ktf" ]]; then
  "$server" --generate-base "$base" --documents 100000 --name BENCH
fi

# The floor first, on a quiet server: FTS5 straight on the index, and the
# server answering one client, for the same questions (the index is built
# here on the first run).
if [[ "$floor" != 0 ]]; then
  echo "== floor: server_bench on $base"
  SORREL_BENCH_DIR="$build/bench" "$floor_bench" --benchmark_filter='BM_(Server|Sqlite)/' \
    --benchmark_min_time=2 2>&1 | tee "$out/floor.txt"
fi

# One active user a session, each with its own password, stored as the
# server's salted derivation.
users="$work/users.ini"
for ((i = 1; i <= sessions; ++i)); do
  printf '[load%d]\n' "$i"
  printf 'load%d\n' "$i" | "$server" --hash-password
  printf 'State=active\n\n'
done >"$users"

# shellcheck disable=SC2086
"$server" --port 0 --host 127.0.0.1 --base "$base" --users "$users" ${LOAD_SERVER_OPTIONS:-} \
  >"$work/url.txt" 2>"$out/server.log" &
server_pid=$!
for _ in $(seq 1 300); do
  [[ -s "$work/url.txt" ]] && break
  kill -0 "$server_pid" || { echo "sorrel-server ended; see $out/server.log" >&2; exit 2; }
  sleep 0.2
done
url=$(head -n 1 "$work/url.txt")
root_url=${url%Search}
echo "== server $url (pid $server_pid)"

# Log every session in and make its set 1 (the question the print sessions
# fetch from).
: >"$work/cookies.txt"
for ((i = 1; i <= sessions; ++i)); do
  digest=$(printf 'load%d' "$i" | md5sum | cut -d' ' -f1)
  jar="$work/jar$i"
  curl -sf --noproxy '*' -c "$jar" --data "iac_user=load$i&iac_pwd=$digest" "${root_url}UserAuthentication" \
    | grep -q '<authenticated>true</authenticated>'
  curl -sf --noproxy '*' -b "$jar" --data 'iac_op=2&iac_base=BENCH&action=r&taille=0&question=TI+AB%3Dsolar' \
    "$url" | grep -q '^SET=1'
  awk '$6 == "JSESSIONID" { print $7 }' "$jar" >>"$work/cookies.txt"
done

# Resident memory of the server, one sample a second while wrk runs.
(
  start=$(date +%s)
  echo "second,rss_kb,anonymous_kb"
  while kill -0 "$server_pid" 2>/dev/null; do
    echo "$(($(date +%s) - start)),$(awk '/^VmRSS:/ { r = $2 } /^RssAnon:/ { a = $2 }
                                           END { print r "," a }' "/proc/$server_pid/status")"
    sleep 1
  done
) >"$out/rss.csv" &
sampler_pid=$!

echo "== wrk: $connections connections, $threads threads, ${seconds}s, $sessions sessions"
wrk -t "$threads" -c "$connections" -d "${seconds}s" --timeout 10s --latency \
  -s "$root/bench/server_load.lua" "$url" -- "$work/cookies.txt" | tee "$out/wrk.txt"
kill "$sampler_pid"
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=""

# Memory: the first ten seconds warm the caches; the growth is reported from there.
rss_summary=$(awk -F, 'NR > 1 { n++; kb[n] = $2; anon[n] = $3
                                 if ($1 >= 10 && !first) { first = $2; firstAnon = $3 }
                                 if ($2 > max) max = $2 }
                       END { printf "rss_kb_at_10s %d\nrss_kb_at_end %d\nrss_kb_max %d\n", first, kb[n], max
                             printf "rss_growth_after_10s_kb %d\n", kb[n] - first
                             printf "anonymous_kb_at_10s %d\nanonymous_kb_at_end %d\n", firstAnon, anon[n] }' \
  "$out/rss.csv")
statuses=$(awk '{ print $(NF - 1) }' "$out/server.log" | sort | uniq -c | tr '\n' ' ')
{
  echo "machine $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
  echo "load average before the run $load_before, after it $(cut -d' ' -f1-3 /proc/loadavg)"
  grep -E '^(requests|seconds|throughput_rps|p50_ms|p99_ms|max_ms|socket_errors|non_2xx|bad_answers) ' \
    "$out/wrk.txt"
  echo "$rss_summary"
  echo "server statuses (count status): $statuses"
} | tee "$out/summary.txt"

errors=$(awk '$1 == "socket_errors" || $1 == "non_2xx" || $1 == "bad_answers" { s += $2 } END { print s + 0 }' \
  "$out/summary.txt")
if [[ "$errors" -ne 0 ]]; then
  echo "FAIL: $errors requests did not get a real answer" >&2
  exit 1
fi
echo "OK: every answer was a real answer"
