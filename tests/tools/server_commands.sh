#!/usr/bin/env bash
# End-to-end check of the tool's server commands against the reference
# server started on a free loopback port: answers, events and exit statuses.
#   server_commands.sh SORREL SORREL_SERVER SMALL_BASE_DIR
set -uo pipefail
sorrel=$1 server=$2 base_source=$3
work=$(mktemp -d)
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$base_source" "$work/small" && rm -f "$work/small/index.sqlite"
mkfifo "$work/url"
"$server" --port 0 --base "$work/small" > "$work/url" 2>/dev/null &
server_pid=$!
read -r url < "$work/url"
failures=0

# expect NAME STATUS PATTERN command...: the exit status, and PATTERN found
# in the combined output.
expect() {
  local name=$1 status=$2 pattern=$3
  shift 3
  local output
  output=$("$@" 2>&1)
  local got=$?
  if [[ $got -ne $status ]] || ! grep -qE -- "$pattern" <<<"$output"; then
    echo "FAIL $name: exit $got (wanted $status), output:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

# expect_exactly NAME STATUS TEXT command...: the exit status, and the
# combined output is TEXT and nothing else.
expect_exactly() {
  local name=$1 status=$2 text=$3
  shift 3
  local output
  output=$("$@" 2>&1)
  local got=$?
  if [[ $got -ne $status || "$output" != "$text" ]]; then
    echo "FAIL $name: exit $got (wanted $status), output:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

export SORREL_USER=demo SORREL_PASSWORD=demo
expect login 0 'logged in' "$sorrel" login --url "$url"
expect bases 0 'name="SMALL"' "$sorrel" bases --url "$url"
expect query 0 '^HITS=4$' "$sorrel" query --url "$url" SMALL 'TI AB=solar' --count 1
expect check 0 'STATUS=OK' "$sorrel" check --url "$url" SMALL 'TI AB=solar'
expect file 0 '.' "$sorrel" file --url "$url" SMALL help.txt
expect json 0 '"ok":true' "$sorrel" info --url "$url" SMALL --json
expect bad_question 4 'refused the question: .*column' "$sorrel" query --url "$url" SMALL 'TI AB=(solar'
expect missing_file 4 'refused to deliver the file: base SMALL has no file "nothing.txt"' \
  "$sorrel" file --url "$url" SMALL nothing.txt
expect bad_check 4 'refused the question: .*column' "$sorrel" check --url "$url" SMALL 'TI AB=(solar'
# Arguments go to the server in its windows-1252: the listing from "sölar"
# (three words before it, then the words from it) has the index's "solar"
# fourth; a character that code page lacks is refused.
expect accented_file 0 '^solar[[:space:]]' bash -c \
  '"$0" file --url "$1" SMALL ".index/TI/sölar" | sed -n 4p' "$sorrel" "$url"
expect unsendable 2 "'ł' \(U\+0142\) cannot be sent" "$sorrel" query --url "$url" SMALL 'IN=łuk'
root=${url%/*}
expect wrong_url 4 "^sorrel: no search server at ${root%/*}/wrong/Search .*status 404" "$sorrel" login \
  --url "${root%/*}/wrong/Search"
expect_exactly quiet_login 0 'logged in' "$sorrel" login --url "$url"
SORREL_PASSWORD=wrong expect refused 2 'password refused' "$sorrel" login --url "$url"
SORREL_USER=disabled SORREL_PASSWORD=disabled \
  expect disabled 2 'account is disabled' "$sorrel" login --url "$url"
dead="http://127.0.0.1:1/sorrel/Search"
expect_exactly no_answer 3 "sorrel: no answer from the server at $dead: connection refused" \
  "$sorrel" login --url "$dead"
expect no_answer_json 3 '"failure_code":12029' "$sorrel" login --url "$dead" --json

echo "$((17 - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
