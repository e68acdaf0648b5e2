-- wrk script for bench/server_load.sh: mixed questions and document fetches
-- on logged-in sessions of sorrel-server.
--   wrk ... -s bench/server_load.lua URL -- COOKIES_FILE
-- COOKIES_FILE holds one JSESSIONID value a line, each a session whose set 1
-- was made at login. Odd lines are question sessions: they ask the questions
-- below in turn, counting the hits only, as a search of the client does.
-- Even lines are print sessions: they fetch ten documents of their set 1
-- ("$1") at a spread of positions, as the client's PRINT does. Every answer
-- must be 200 and start with the answer record ("HITS="); anything else is
-- counted as a bad answer and its first bytes printed once a thread.

local questions = {
  "TI AB=solar",
  "TI AB=(pump OR valve) AND PA=nordic ANDNOT TI=housing",
  "TI AB=solar +3W cell",
}

local function encode(text)
  return (text:gsub("[^%w]", function(c) return string.format("%%%02X", c:byte()) end))
end

local threads = {}

function setup(thread)
  thread:set("id", #threads)
  table.insert(threads, thread)
end

function init(args)
  cookies = {}
  for line in io.lines(args[1]) do
    if line ~= "" then table.insert(cookies, line) end
  end
  if #cookies < 2 then error("need at least two sessions in " .. args[1]) end
  sent = 0
  bad = 0
  shown = false
  math.randomseed(1000 + id)
end

function request()
  sent = sent + 1
  -- Each thread walks the sessions from its own starting point.
  local index = (sent + id * 7) % #cookies + 1
  local body
  if index % 2 == 1 then
    local question = questions[math.floor(sent / #cookies) % #questions + 1]
    body = "iac_op=2&iac_base=BENCH&action=r&position=1&taille=0&question=" .. encode(question)
  else
    local position = math.random(1, 10000)
    body = "iac_op=2&iac_base=BENCH&action=r&taille=10&position=" .. position ..
           "&question=" .. encode("$1")
  end
  local headers = {
    ["Content-Type"] = "application/x-www-form-urlencoded",
    ["Cookie"] = "JSESSIONID=" .. cookies[index],
  }
  return wrk.format("POST", nil, headers, body)
end

function response(status, headers, body)
  if status ~= 200 or body:sub(1, 5) ~= "HITS=" then
    bad = bad + 1
    if not shown then
      shown = true
      io.stderr:write(string.format("bad answer (%d): %s\n", status, body:sub(1, 200)))
    end
  end
end

function done(summary, latency, requests)
  local badTotal = 0
  for _, thread in ipairs(threads) do badTotal = badTotal + thread:get("bad") end
  local seconds = summary.duration / 1e6
  io.write(string.format("requests %d\n", summary.requests))
  io.write(string.format("seconds %.1f\n", seconds))
  io.write(string.format("throughput_rps %.1f\n", summary.requests / seconds))
  io.write(string.format("p50_ms %.2f\n", latency:percentile(50) / 1000))
  io.write(string.format("p99_ms %.2f\n", latency:percentile(99) / 1000))
  io.write(string.format("max_ms %.2f\n", latency.max / 1000))
  local e = summary.errors
  io.write(string.format("socket_errors %d\n", e.connect + e.read + e.write + e.timeout))
  io.write(string.format("non_2xx %d\n", e.status))
  io.write(string.format("bad_answers %d\n", badTotal))
end
