// "sorrel session" run as a user runs it: the sample session against the
// bundled server, its answers checked against the base's own documents and
// its files against the DTD (onsgmls) and libtiff; sessions against a server
// that expires the session or dies midway; hostile lines and hostile servers;
// a pseudo-terminal; proxies and TLS in front of the server.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/FacsimilePage.h"
#include "imaging/TiffMessages.h"
#include "ktf/KtfDocumentReader.h"
#include "tests/common/ReferenceServer.h"
#include "tests/servers/NginxTlsServer.h"
#include "tests/servers/ScopedEnvironment.h"
#include "tests/servers/ScriptedHttpServer.h"
#include "tests/servers/SquidProxy.h"
#include "tests/servers/TestCertificates.h"
#include "tests/tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Document = KtfDocumentReader::Document;

// One line of input, what happens before it is written, and a pause.
struct Step {
  Step(std::string text, int pause = 0, std::function<void()> action = {})  // NOLINT: implicit
      : line(std::move(text)), pauseMs(pause), before(std::move(action)) {}
  std::string line;
  int pauseMs;
  std::function<void()> before;
};

struct Outcome {
  int exit = -1;
  std::vector<Json> results;  // every JSON line, in order
  Json Result(const std::string& line) const {
    for (const Json& result : results) {
      if (result.contains("line") && result["line"] == line) return result;
    }
    return Json();
  }
  bool Saw(const std::string& event) const {
    return std::any_of(results.begin(), results.end(), [&](const Json& result) {
      return result.contains("event") && result["event"] == event;
    });
  }
};

// Starts the tool with `arguments`, its standard input and output on pipes:
// `in` is written to, `out` read from. -1 when no pipe can be made.
pid_t StartTool(std::vector<std::string> arguments, int in[2], int out[2]) {
  arguments.insert(arguments.begin(), SORREL_TOOL_BINARY);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  if (::pipe(in) != 0 || ::pipe(out) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::close(in[1]);
    ::close(out[0]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  return child;
}

// Runs the tool with `arguments`, writes the steps on its standard input
// (each only once the tool answered the one before), and collects its JSON
// lines. A tool still running after 60 s is killed: a hang fails.
Outcome RunSteps(std::vector<std::string> arguments, const std::vector<Step>& steps) {
  int in[2], out[2];
  const pid_t child = StartTool(std::move(arguments), in, out);
  if (child < 0) return {};
  // A tool that ended its session early has closed its input: writing more
  // must fail (EPIPE), not kill the test.
  ::signal(SIGPIPE, SIG_IGN);
  FILE* answers = ::fdopen(out[0], "r");
  Outcome outcome;
  std::string text;
  auto readLine = [&]() -> bool {
    text.clear();
    for (int c; (c = std::fgetc(answers)) != EOF;) {
      if (c == '\n') return true;
      text += static_cast<char>(c);
    }
    return !text.empty();
  };
  auto keep = [&] {
    Json parsed = Json::parse(text, nullptr, false);
    if (!parsed.is_discarded()) outcome.results.push_back(parsed);
    return parsed;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::thread watchdog([&] {
    while (std::chrono::steady_clock::now() < deadline) {
      if (::kill(child, 0) != 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(child, SIGKILL);
  });
  for (const Step& step : steps) {
    if (step.before) step.before();
    std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
    const std::string line = step.line + "\n";
    if (::write(in[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    bool answered = false;  // events may come before the line's result
    while (!answered && readLine()) answered = keep().contains("line");
    if (!answered) break;
  }
  ::close(in[1]);
  while (readLine()) keep();
  std::fclose(answers);
  int status = 0;
  ::waitpid(child, &status, 0);
  watchdog.join();
  outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// A session against `url` as user demo on base `base`, writing into `out`.
std::vector<std::string> Session(const std::string& url, const std::string& base,
                                 const TempDir& out) {
  return {"session", "--json", "--url", url,     "--user",
          "demo",    "--base", base,    "--out", out.path().string()};
}

// A windows-1252 byte as the index's tokenizer reads it: lower case, the
// accent taken off the letters that have one ('.': kept as it is).
char Fold(unsigned char c) {
  static constexpr std::string_view kFromC0 =
      "aaaaaa.ceeeeiiii.nooooo..uuuuy..aaaaaa.ceeeeiiii.nooooo..uuuuy.y";
  const char folded = c >= 0xC0 ? kFromC0[c - 0xC0] : '.';
  return folded != '.' ? folded : static_cast<char>(c < 0x80 ? std::tolower(c) : c);
}

// The words of the fields `codes` of a document, one list per value, split
// and folded as the index splits and folds them.
std::vector<std::vector<std::string>> Words(const Document& document,
                                            const std::vector<std::string>& codes) {
  std::vector<std::vector<std::string>> fields;
  for (const std::string& code : codes) {
    for (const std::string& value : document.Values(code)) {
      fields.emplace_back(1);
      for (const char c : value) {
        if (std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80) != 0) {
          fields.back().back() += Fold(static_cast<unsigned char>(c));
        } else if (!fields.back().back().empty()) {
          fields.back().emplace_back();
        }
      }
      if (fields.back().back().empty()) fields.back().pop_back();
    }
  }
  return fields;
}

using WordTest = std::function<bool(const std::vector<std::string>&, size_t)>;

// Whether a word of the fields `codes` passes `at` (its field's words, its place).
bool Has(const Document& document, const std::vector<std::string>& codes, const WordTest& at) {
  for (const auto& words : Words(document, codes)) {
    for (size_t i = 0; i < words.size(); ++i) {
      if (at(words, i)) return true;
    }
  }
  return false;
}
WordTest Word(const std::string& word) {
  return [word](const auto& words, size_t i) { return words[i] == word; };
}
// `right` at most `gap` words after `left`.
WordTest Near(const std::string& left, const std::string& right, size_t gap) {
  return [=](const auto& words, size_t i) {
    const auto end = words.begin() + static_cast<long>(std::min(words.size(), i + gap + 2));
    return words[i] == left &&
           std::find(words.begin() + static_cast<long>(i) + 1, end, right) != end;
  };
}

// The searches of the sample session, each with a count of the base's own
// documents that it must find.
std::vector<std::pair<std::string, long>> SampleSessionHits(const std::vector<Document>& base) {
  const std::vector<std::string> both = {"TI", "AB"};
  const auto count = [&](const std::function<bool(const Document&)>& matches) {
    return static_cast<long>(std::count_if(base.begin(), base.end(), matches));
  };
  const WordTest sol = [](const auto& words, size_t i) { return words[i].rfind("sol", 0) == 0; };
  return {
      {"solar AND panel", count([&](const Document& d) {
         return Has(d, both, Word("solar")) && Has(d, both, Word("panel"));
       })},
      {"garden/TI", count([](const Document& d) { return Has(d, {"TI"}, Word("garden")); })},
      {"solar 3W cell",
       count([&](const Document& d) { return Has(d, both, Near("solar", "cell", 3)); })},
      {"sol+ AND roof",
       count([&](const Document& d) { return Has(d, both, sol) && Has(d, both, Word("roof")); })},
      {"pump AND 2010/PD", count([&](const Document& d) {
         return Has(d, both, Word("pump")) && d.First("PD").rfind("2010", 0) == 0;
       })},
      {"M\u00fcller/IN", count([](const Document& d) { return Has(d, {"IN"}, Word("muller")); })},
      {"1000000/PN", count([](const Document& d) {
         return d.First("PN").find(" 1000000") != std::string::npos;
       })},
  };
}

// Every SGML file of `folder` validates against the DTD (onsgmls), every
// TIFF page reads back with libtiff and has its PNG; their numbers.
std::pair<size_t, size_t> CheckFilesOpen(const fs::path& folder) {
  size_t sgml = 0, pages = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const fs::path file = entry.path();
    if (file.extension() == ".sgml") {
      ++sgml;
      const std::string check = "onsgmls -s -D " + folder.string() + " " + file.string();
      EXPECT_EQ(std::system(check.c_str()), 0) << file;
    } else if (file.extension() == ".tif") {
      ++pages;
      BilevelPage page;
      std::string error;
      TiffMessages quiet;  // the Artist entry holds the binary CROFT header
      EXPECT_TRUE(ReadTiffPage(file.string(), &page, &error)) << file << ": " << error;
      EXPECT_GT(std::count(page.pixels.begin(), page.pixels.end(), 1), 0) << file;
      EXPECT_TRUE(fs::exists(fs::path(file).replace_extension(".png")));
    }
  }
  return {sgml, pages};
}

// The sample session's strategy, run again from its third question, makes
// the same hits on renumbered sets; its term index counts what the base's
// titles hold, word after word; STOP saved the strategy; the transcript holds
// every line.
void SampleStrategyAndIndex(const Outcome& run, const std::vector<Document>& base,
                            const TempDir& out) {
  const Json executed = run.Result("..EX 3 FROM sample-strategy");
  ASSERT_TRUE(executed.contains("executed")) << executed.dump();
  std::map<int, long> hits;
  const Json history = run.Result("..HI");
  for (const Json& set : history["sets"]) hits[set["set"].get<int>()] = set["hits"];
  for (const Json& question : executed["executed"]) {
    EXPECT_EQ(question["hits"].get<long>(), hits[question["saved_set"].get<int>()]) << question;
  }
  EXPECT_EQ(executed["executed"][0]["number"], 3);
  EXPECT_EQ(executed["executed"][4]["line"], "$12 AND $15");  // was "$3 AND $6"

  // Words still holding letters the index keeps (ß, ø, æ) are left out on both sides.
  const auto ascii = [](const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](char c) { return (c & 0x80) == 0; });
  };
  std::map<std::string, long> titles;
  for (const Document& document : base) {
    std::set<std::string> words;
    for (const auto& field : Words(document, {"TI"})) words.insert(field.begin(), field.end());
    for (const std::string& word : words) {
      if (ascii(word)) ++titles[word];
    }
  }
  const Json index = run.Result("..IND /TI sol");
  ASSERT_EQ(index["terms"].size(), 15u) << index.dump();
  auto from = titles.lower_bound("sol");
  for (const Json& term : index["terms"]) {
    if (ascii(term["term"]) && term["term"] < "sol") --from;
  }
  for (const Json& term : index["terms"]) {
    if (!ascii(term["term"])) continue;
    ASSERT_NE(from, titles.end());
    EXPECT_EQ(term["term"], from->first);
    EXPECT_EQ(term["documents"].get<long>(), from->second) << from->first;
    ++from;
  }
  EXPECT_EQ(run.Result("..STOP")["strategy"], "last-session");
  EXPECT_TRUE(fs::exists(out.File("strategies/last-session.strategy")));
  const std::string transcript = ReadBytes(out.File("transcript.txt"));
  EXPECT_NE(transcript.find("> ..IND /TI sol\n"), std::string::npos);
  EXPECT_NE(transcript.find("  set 20: "), std::string::npos);
  // The JSON lines carry what the transcript holds: the time and the text.
  EXPECT_EQ(index["output"].size(), index["terms"].size() + 2);  // heading and the typed word
  EXPECT_TRUE(index.contains("time"));
}

TEST(SessionEndToEnd, SampleSessionAnswersAsTheBaseAndMakesFilesThatOpen) {
  TempDir out;
  const Outcome run =
      RunSteps({"session", "--json", "--out", out.path().string(), "--strategies",
                out.File("strategies"), SORREL_SOURCE_DIR "/examples/session.verger"},
               {});
  ASSERT_EQ(run.exit, 0);
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.ReadFile(SORREL_SAMPLE_BASE_DIR "/documents.ktf")) << reader.error();
  for (const auto& [line, hits] : SampleSessionHits(reader.documents())) {
    SCOPED_TRACE(line);
    const Json result = run.Result(line);
    ASSERT_TRUE(result.contains("hits")) << result.dump();
    EXPECT_EQ(result["hits"].get<long>(), hits);
    EXPECT_GT(hits, 0);
  }
  // Each mistake has its message, and the line after them still runs.
  for (const char* mistake : {"solar (cell OR panel)", "..PR 5-3", "/TI >=2000", "$12 AND pump"}) {
    EXPECT_TRUE(run.Result(mistake).contains("error")) << mistake;
  }
  EXPECT_NE(run.Result("/TI >=2000")["error"].get<std::string>().find("cannot be compared"),
            std::string::npos);
  EXPECT_TRUE(run.Result("wind/TI").contains("hits"));
  const Json printed = run.Result("..PR 1-3");
  for (const Json& document : printed["documents"]) {
    EXPECT_FALSE(document.contains("problems")) << document.dump();
  }
  EXPECT_EQ(CheckFilesOpen(out.path()), std::make_pair(size_t{4}, size_t{2}));
  const Json summary = run.results.back()["summary"];
  EXPECT_EQ(summary["printed"], 4);
  EXPECT_EQ(summary["kept"], 2);
  SampleStrategyAndIndex(run, reader.documents(), out);
}

// Hostile lines get a message and the session goes on; a session that
// expires midway logs in again and keeps its sets.
TEST(SessionEndToEnd, HostileLinesAndAnExpiredSessionLeaveTheSessionGoingOn) {
  ReferenceServer server({"--session-timeout", "1"});
  TempDir out;
  ScopedEnvironment environment;
  environment.Set("SORREL_PASSWORD", "demo");
  const std::string huge(70000, 'a');
  const std::string binary("\x01\x02\xff\xfe solar \x7f", 11);
  const Outcome run = RunSteps(
      Session(server.Servlet(), "SMALL", out),
      {{huge}, {binary}, {"/TI >=2000"}, {"pump"}, {"roof"}, {"..PR 1", 2500}, {"$1 OR $2"}});
  EXPECT_EQ(run.exit, 0);
  std::vector<Json> lines;
  std::copy_if(run.results.begin(), run.results.end(), std::back_inserter(lines),
               [](const Json& result) { return result.contains("line"); });
  ASSERT_EQ(lines.size(), 7u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(lines[i].contains("error")) << lines[i];
  EXPECT_TRUE(run.Saw("sessionExpired"));
  EXPECT_EQ(run.Result("pump")["hits"], 2);
  const Json printed = run.Result("..PR 1");
  ASSERT_EQ(printed["documents"].size(), 1u) << printed.dump();
  // The set of the line before the expiry, run again under the new login.
  const std::string number = printed["documents"][0]["number"];
  EXPECT_TRUE(number == "EP 1 A1" || number == "EP 6 A1") << number;
  EXPECT_EQ(run.Result("$1 OR $2")["hits"].get<long>(),
            run.Result("pump")["hits"].get<long>() + run.Result("roof")["hits"].get<long>());
}

// A login answer that is not XML or not found, and a server that dies
// midway: the session ends at that line with its message and exit status.
TEST(SessionEndToEnd, ALostServerEndsTheSessionWithAClearMessage) {
  auto server = std::make_unique<ReferenceServer>();
  const struct {
    ScriptedAnswer answer;
    int exit;
    const char* line;
    const char* error;
  } kCases[] = {
      {{200, {}, "OK"}, 4, "pump", "not well-formed XML"},
      {{404, {}, "<html><title>Not Found</title></html>"},
       4,
       "pump",
       "no search server at this URL"},
      {{}, 3, "roof", "does not answer"},  // the reference server, stopped before "roof"
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.error);
    ScriptedHttpServer scripted;
    scripted.SetHandler([&](const RecordedRequest&) { return known.answer; });
    const bool dies = known.exit == 3;
    // No password and no terminal to ask on: the scripted logins go with an empty one.
    ScopedEnvironment environment;
    if (dies) {
      environment.Set("SORREL_PASSWORD", "demo");
    } else {
      environment.Clear("SORREL_PASSWORD");
    }
    TempDir out;
    const Outcome run =
        RunSteps(Session(dies ? server->Servlet() : scripted.Url("/sorrel/Search"), "SMALL", out),
                 {{"pump"},
                  {"roof", 0,
                   [&] {
                     if (dies) server.reset();
                   }},
                  {"valve"}});
    EXPECT_EQ(run.exit, known.exit);
    EXPECT_NE(run.Result(known.line)["error"].get<std::string>().find(known.error),
              std::string::npos)
        << run.Result(known.line);
    EXPECT_TRUE(run.Result("valve").is_null());
  }
}

// A server whose document fields, publication number, text file and refusal
// hold terminal escapes and windows-1252 letters: the text session and the
// one-shot commands show the control characters visibly and send none of
// them, C1 bytes included; --json carries the server's text as UTF-8.
TEST(SessionEndToEnd, ServerTextReachesTheTerminalWithoutControlsAndJsonAsUtf8) {
  const std::string hostile =
      "T\xfctel \x1b]0;owned\x07 \x1b[2J \x9b"
      "2J\r end \x81";
  const std::string letters =
      "Gr\xfc\xdf"
      "e \x80 5 \x81";
  ScriptedHttpServer server;
  server.SetHandler([&](const RecordedRequest& request) {
    const auto has = [&](const char* part) { return request.body.find(part) != std::string::npos; };
    if (request.target.find("UserAuthentication") != std::string::npos) {
      return ScriptedAnswer::OpenSession();
    }
    if (has("file=gone")) return ScriptedAnswer{404, {}, "<TITLE>" + hostile + "</TITLE>"};
    if (has("file=letters")) return ScriptedAnswer{200, {}, letters};
    if (has("taille=0")) return ScriptedAnswer{200, {}, "SET=1\nHITS=1\n\n"};
    if (has("action=r")) {
      return ScriptedAnswer{
          200,
          {},
          "SET=1\nHITS=1\n\nPN=EP\x1b[8m 1 A1\nTI=" + letters + "\nAB=" + hostile + "\n\n"};
    }
    return ScriptedAnswer{200, {}, has("action=p") ? "STATUS=OK\nQUESTION=x\n\n" : hostile};
  });
  TempDir out;
  WriteBytes(out.File("lines"), "pump\n..BR 1\n");
  ScopedEnvironment environment;
  environment.Set("SORREL_PASSWORD", "demo");
  const std::string url = server.Url("/app/Search");
  const std::vector<std::string> commands[] = {
      {"session", "--url", url, "--user", "demo", "--base", "B", "--out", out.path().string(),
       out.File("lines")},
      {"file", "--url", url, "--user", "demo", "B", "help.txt"},
      {"post", url, "file=x"},
      {"file", "--url", url, "--user", "demo", "B", "gone"}};
  std::vector<std::string> outputs;
  for (const std::vector<std::string>& arguments : commands) {
    const ToolRun run = RunTool(arguments);
    outputs.push_back(run.out + run.err);
  }
  for (const std::string& output : outputs) {
    for (const char control : {'\x1b', '\x07', '\x9b', '\x81', '\r'}) {
      EXPECT_EQ(output.find(control), std::string::npos) << output;
    }
  }
  // post shows the bytes; the session and file show UTF-8, where 0x9B is "\u203a" and 0x81,
  // which windows-1252 leaves undefined, the C1 control of its number.
  const std::string shown = "T\xfctel ^[]0;owned^G ^[[2J \\x9b2J^M end \\x81";
  const std::string shownUtf8 = "T\u00fctel ^[]0;owned^G ^[[2J \u203a2J^M end \\x81";
  EXPECT_NE(outputs[0].find("AB  " + shownUtf8), std::string::npos) << outputs[0];
  EXPECT_NE(outputs[1].find(shownUtf8), std::string::npos) << outputs[1];
  EXPECT_NE(outputs[2].find(shown), std::string::npos) << outputs[2];
  const std::string utf8 = "Gr\u00fc\u00dfe \u20ac 5 \u0081";
  EXPECT_EQ(
      RunSteps(Session(url, "B", out), {{"pump"}, {"..BR 1"}}).Result("..BR 1")["document"]["TI"],
      utf8);
  const ToolRun file = RunTool({"file", "--json", "--url", url, "--user", "demo", "B", "letters"});
  EXPECT_EQ(file.exit, 0);
  EXPECT_EQ(Json::parse(file.out, nullptr, false)["body"], utf8) << file.out;
}

// The server commands against the reference server: answers, the server's
// reasons for a refusal, and one line with its exit status for each failure.
TEST(ServerCommands, AnswerOrSayWhyWithTheirExitStatus) {
  ReferenceServer server;
  const std::string dead = "http://127.0.0.1:1/sorrel/Search";
  const std::string wrong = server.Root().substr(0, server.Root().size() - 7) + "wrong/Search";
  const struct {
    std::vector<std::string> arguments;  // "URL" stands for the server's
    int exit;
    std::string says;  // on either output
    const char* user = "demo";
    const char* password = "demo";
  } kCases[] = {
      {{"login", "--url", "URL"}, 0, "^logged in\n$"},
      {{"bases", "--url", "URL"}, 0, "name=\"SMALL\""},
      {{"query", "--url", "URL", "SMALL", "TI AB=solar", "--count", "1"}, 0, "(^|\n)HITS=4\n"},
      {{"check", "--url", "URL", "SMALL", "TI AB=solar"}, 0, "STATUS=OK"},
      {{"file", "--url", "URL", "SMALL", "help.txt"}, 0, "eleven hand-written"},
      {{"info", "--url", "URL", "SMALL", "--json"}, 0, "\"ok\":true"},
      {{"query", "--url", "URL", "SMALL", "TI AB=(solar"}, 4, "refused the question: .*column"},
      {{"check", "--url", "URL", "SMALL", "TI AB=(solar"}, 4, "refused the question: .*column"},
      {{"file", "--url", "URL", "SMALL", "nothing.txt"},
       4,
       "refused to deliver the file: base SMALL has no file \"nothing.txt\""},
      // Arguments go to the server in its windows-1252: the listing from "s\u00f6lar"
      // has the index's "solar" fourth; a character that code page lacks is refused.
      {{"file", "--url", "URL", "SMALL", ".index/TI/s\u00f6lar"}, 0, "^([^\n]*\n){3}solar\\s"},
      {{"query", "--url", "URL", "SMALL", "IN=\u0142uk"},
       2,
       "'\u0142' \\(U\\+0142\\) cannot be sent"},
      {{"login", "--url", wrong},
       4,
       "^sorrel: no search server at [^ ]*/wrong/Search .*status 404"},
      {{"login", "--url", "URL"}, 2, "password refused", "demo", "wrong"},
      {{"login", "--url", "URL"}, 2, "account is disabled", "disabled", "disabled"},
      {{"login", "--url", dead},
       3,
       "^sorrel: no answer from the server at " + dead + ": connection refused\n$"},
      {{"login", "--url", dead, "--json"}, 3, "\"failure_code\":12029"},
  };
  for (const auto& known : kCases) {
    std::vector<std::string> arguments = known.arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("URL"), server.Servlet());
    SCOPED_TRACE(arguments[0] + " " + known.says);
    ScopedEnvironment environment;
    environment.Set("SORREL_USER", known.user).Set("SORREL_PASSWORD", known.password);
    const ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exit, known.exit) << run.out << run.err;
    EXPECT_TRUE(std::regex_search(run.out + run.err, std::regex(known.says))) << run.out << run.err;
  }
}

// The tool on a terminal of its own (a pseudo-terminal), as a user types.
class OnTerminal {
 public:
  explicit OnTerminal(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), SORREL_TOOL_BINARY);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = ::forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~OnTerminal() {
    if (pid_ > 0 && Wait() < 0) ::kill(pid_, SIGKILL);
    ::close(fd_);
  }
  // Reads until `text` has been shown since the last Type; false after 30 s
  // or at the end of the output.
  bool Shows(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (shown.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) return false;
      shown.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }
  // Types `keys`; at a prompt once the line editor has had the time to take
  // the terminal over (keys typed ahead of it may be dropped, as on any
  // terminal).
  void Type(const std::string& keys, bool atPrompt = true) {
    if (atPrompt) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shown.clear();
    EXPECT_EQ(::write(fd_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Types `line` at the prompt and reads until `text` and the next prompt
  // have been shown.
  void Answers(const std::string& line, const std::string& text) {
    Type(line + "\r");
    EXPECT_TRUE(Shows(text)) << shown;
    ASSERT_TRUE(Shows("sorrel> ")) << shown;
  }
  void Interrupt() const { ::kill(pid_, SIGINT); }
  // The exit status once the output has ended and the tool with it; -1 when
  // it goes on for 10 s more.
  int Wait() {
    Shows("\x01never shown");
    int status = 0;
    for (int tries = 0; tries < 100; ++tries) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }
  std::string shown;  // since the last Type

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

// Every SGML file of `folder` is whole, and there are some but fewer than 400.
void ExpectSomeWholeSgmlFiles(const fs::path& folder) {
  size_t whole = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".sgml") continue;
    EXPECT_NE(ReadBytes(entry.path().string()).rfind("</PATDOC>"), std::string::npos)
        << entry.path();
    ++whole;
  }
  EXPECT_GT(whole, 0u);
  EXPECT_LT(whole, 400u);
}

// Typed on a UTF-8 terminal, accented letters are searched and shown and a
// letter no code page holds is named. Ctrl-C stops a long PRINT and comes
// back to the prompt; at the prompt it drops the line typed; Ctrl-D ends the
// session with its summary.
TEST(SessionEndToEnd, OnATerminalAccentsAndCtrlCAndCtrlD) {
  TempDir out;
  ScopedEnvironment environment;
  environment.Set("LC_ALL", "C.UTF-8");
  OnTerminal tool({"session", "--out", out.path().string()});
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Answers("M\u00fcller/IN", "1 document   IN=M\u00fcller");
  tool.Answers("..BR 1", "J\u00fcrgen M\u00fcller");
  tool.Answers("soci\u00e9t\u00e9/PA", "1 document   PA=soci\u00e9t\u00e9");
  tool.Answers("\u0142/IN", "'\u0142' (U+0142)");
  tool.Answers("solar OR panel OR roof OR pump", "documents");
  tool.Type("..PR 1-400\r");
  ASSERT_TRUE(tool.Shows("fetching ["));
  tool.Type("\x03", false);
  ASSERT_TRUE(tool.Shows("sorrel> ")) << tool.shown;
  EXPECT_NE(tool.shown.find("interrupted: "), std::string::npos) << tool.shown;
  // Ctrl-C once the line editor shows what was typed, as a user sees it.
  tool.Type("pump AND");
  ASSERT_TRUE(tool.Shows("pump AND"));
  tool.Type("\x03");
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Answers("..HI", "$1  ");
  EXPECT_EQ(tool.shown.find("pump AND"), std::string::npos) << "the line was dropped";
  tool.Type("\x04");
  EXPECT_TRUE(tool.Shows("Summary"));
  EXPECT_EQ(tool.Wait(), 0);
  ExpectSomeWholeSgmlFiles(out.path());
}

// From a script, Ctrl-C stops the command and ends the session, with its
// summary; the lines after it are not run.
TEST(SessionEndToEnd, CtrlCEndsAScriptedSessionWithItsSummary) {
  TempDir out;
  WriteBytes(out.File("script"), "solar OR panel OR roof OR pump\n..PR 1-400\n..HI\n");
  OnTerminal tool({"session", "--out", out.path().string(), out.File("script")});
  ASSERT_TRUE(tool.Shows("fetching ["));
  tool.Interrupt();
  ASSERT_TRUE(tool.Shows("Summary"));
  EXPECT_NE(tool.shown.find("interrupted: "), std::string::npos) << tool.shown;
  EXPECT_EQ(tool.shown.find("sorrel> ..HI"), std::string::npos) << tool.shown;
  EXPECT_EQ(tool.Wait(), 0);
  ExpectSomeWholeSgmlFiles(out.path());
}

// Through squid with basic authentication, SORREL_PROXY_USER and SORREL_PROXY_PASSWORD carry the
// session (login, question, goodbye) and a one-shot command; wrong ones fail on the proxy's 407.
TEST(SessionEndToEnd, ProxyCredentialsOfTheEnvironmentPassSquid) {
  if (!SquidProxy::Available()) GTEST_SKIP() << "squid is not installed";
  SquidProxy proxy("proxyuser", "proxypass");
  ReferenceServer server;
  TempDir out;
  ScopedEnvironment environment;
  environment.Set("SORREL_PASSWORD", "demo").Set("SORREL_USER", "demo").Clear("no_proxy");
  environment.Set("http_proxy", proxy.Url()).Set("SORREL_PROXY_USER", "proxyuser");
  for (const std::string password : {"proxypass", "wrong"}) {
    SCOPED_TRACE(password);
    const bool right = password == "proxypass";
    environment.Set("SORREL_PROXY_PASSWORD", password);
    const Outcome session = RunSteps(Session(server.Servlet(), "SMALL", out), {{"pump"}});
    EXPECT_EQ(session.Result("pump")["hits"], right ? Json(2) : Json()) << proxy.AccessLog();
    EXPECT_EQ(session.Saw("proxyAuthenticationRequired"), !right);
    const Outcome info = RunSteps({"info", "--json", "--url", server.Servlet(), "SMALL"}, {});
    ASSERT_FALSE(info.results.empty());
    EXPECT_EQ(info.results.back()["ok"], right) << info.results.back().dump();
  }
  EXPECT_NE(proxy.AccessLog().find("/UserDisconnection proxyuser "), std::string::npos)
      << proxy.AccessLog();
}

// nginx terminating TLS in front of the reference server with a certificate of an authority
// nobody trusts: refused with 12045, unless the installation opts in, which the tool then says.
TEST(SessionEndToEnd, UnknownAuthorityIsRefusedUnlessTheInstallationOptsIn) {
  if (!NginxTlsServer::Available()) GTEST_SKIP() << "nginx is not installed";
  ReferenceServer server;
  TestCertificates certificates;
  const std::string root = server.Root();
  NginxTlsServer nginx({certificates.ValidFile()}, certificates.KeyFile(),
                       root.substr(0, root.find('/', 8)));
  ScopedEnvironment environment;
  environment.Set("SORREL_USER", "demo").Set("SORREL_PASSWORD", "demo");
  for (const char* optIn : {"0", "1"}) {
    SCOPED_TRACE(optIn);
    environment.Set("SORREL_HTTP_ACCEPT_UNKNOWN_CA", optIn);
    const Outcome info =
        RunSteps({"info", "--json", "--url", nginx.Url(0) + "sorrel/Search", "SMALL"}, {});
    ASSERT_FALSE(info.results.empty());
    const std::string shown = info.results.back().dump();
    EXPECT_EQ(info.results.back()["ok"], *optIn == '1') << shown << nginx.Log();
    EXPECT_EQ(shown.find("12045") != std::string::npos, *optIn == '0') << shown;
    EXPECT_EQ(shown.find("unknownAuthorityAccepted") != std::string::npos, *optIn == '1') << shown;
  }
}

// Accented spellings against the bundled sample base, as lines of a script
// read in JSON: each finds the document its plain spelling finds, BROWSE
// shows the names in UTF-8, and a letter no code page holds is refused by
// name. Under the C locale the tool still runs, a script of UTF-8 read as
// UTF-8 and the engine's UTF-8 passing as it is.
TEST(SessionEndToEnd, AccentedSpellingsFindWhatThePlainOnesFind) {
  TempDir out;
  ScopedEnvironment environment;
  environment.Set("LC_ALL", "C.UTF-8");
  const Outcome session =
      RunSteps({"session", "--json", "--out", out.path().string()}, {{"muller/IN"},
                                                                     {"..BR"},
                                                                     {"M\u00fcller/IN"},
                                                                     {"..BR"},
                                                                     {"societe/PA"},
                                                                     {"..BR"},
                                                                     {"soci\u00e9t\u00e9/PA"},
                                                                     {"..BR"},
                                                                     {"Gr\u00f6\u00dfler/PA"},
                                                                     {"..BR"},
                                                                     {"\u0142/IN"}});
  EXPECT_EQ(session.exit, 0);
  std::vector<Json> shown;
  for (const Json& result : session.results) {
    if (result.contains("kind") && result["kind"] == "browse") shown.push_back(result["document"]);
  }
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0]["PN"], shown[1]["PN"]);
  EXPECT_EQ(shown[1]["IN"], "J\u00fcrgen M\u00fcller");
  EXPECT_EQ(shown[2]["PN"], shown[3]["PN"]);
  EXPECT_EQ(shown[3]["PA"], "Soci\u00e9t\u00e9 G\u00e9n\u00e9rale de Pompes");
  EXPECT_EQ(shown[4]["PA"], "Gr\u00f6\u00dfler Pr\u00e4zisionswerkzeuge GmbH");
  const Json refused = session.Result("\u0142/IN");
  EXPECT_EQ(refused["kind"], "refused");
  EXPECT_NE(refused["error"].get<std::string>().find("'\u0142' (U+0142)"), std::string::npos)
      << refused;

  environment.Set("LC_ALL", "C");
  WriteBytes(out.File("accented"), "M\u00fcller/IN\n..BR 1\n");
  const ToolRun c = RunTool({"session", "--out", out.path().string(), out.File("accented")});
  EXPECT_NE(c.out.find("set 1: 1 document   IN=M\u00fcller"), std::string::npos) << c.out;
  EXPECT_NE(c.out.find("IN  J\u00fcrgen M\u00fcller; Hans Sch\u00e4fer"), std::string::npos)
      << c.out;
  EXPECT_NE(c.out.find("Summary"), std::string::npos) << c.out;
}

}  // namespace
