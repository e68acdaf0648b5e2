// "sorrel session" run as a user runs it: the sample session against the
// bundled server, its answers checked against the base's own documents and
// its files against the DTD (onsgmls) and libtiff; sessions against a server
// that expires the session or dies midway; hostile lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/FacsimilePage.h"
#include "imaging/TiffMessages.h"
#include "ktf/KtfDocumentReader.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/servers/NginxTlsServer.h"
#include "tests/servers/ScriptedHttpServer.h"
#include "tests/servers/SquidProxy.h"
#include "tests/servers/TestCertificates.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

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

// Runs the tool with `arguments`, writes the steps on its standard input
// (each read back only once the tool answered the one before), and collects
// its JSON lines. A tool still running after 60 s is killed: a hang fails.
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

Outcome RunTool(std::vector<std::string> arguments, const std::vector<Step>& steps) {
  int in[2], out[2];
  const pid_t child = StartTool(std::move(arguments), in, out);
  if (child < 0) return {};
  // A tool that ended its session early has closed its input: writing more
  // must fail (EPIPE), not kill the test.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
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
    // Wait for this line's result (events may come first).
    bool answered = false;
    while (!answered && readLine()) answered = keep().contains("line");
    if (!answered) break;
  }
  ::close(in[1]);
  while (readLine()) keep();
  std::fclose(answers);
  int status = 0;
  ::waitpid(child, &status, 0);
  watchdog.join();
  ::sigaction(SIGPIPE, &previous, nullptr);
  outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// The base's own answer to a question, counted over its documents.
class Oracle {
 public:
  explicit Oracle(const std::string& documents) {
    KtfDocumentReader reader;
    if (!reader.ReadFile(documents.c_str())) throw std::runtime_error(reader.error());
    documents_ = reader.documents();
  }
  long Count(const std::function<bool(const KtfDocumentReader::Document&)>& matches) const {
    return std::count_if(documents_.begin(), documents_.end(), matches);
  }
  // The words of a document's fields, lower case, split as the index splits.
  static std::vector<std::vector<std::string>> Words(const KtfDocumentReader::Document& document,
                                                     std::vector<std::string> codes) {
    std::vector<std::vector<std::string>> fields;
    for (const auto& [code, value] : document) {
      if (std::find(codes.begin(), codes.end(), code) == codes.end()) continue;
      fields.emplace_back();
      std::string word;
      for (const char c : value + " ") {
        if (std::isalnum(static_cast<unsigned char>(c))) {
          word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
          fields.back().push_back(word);
          word.clear();
        }
      }
    }
    return fields;
  }
  static bool Has(const KtfDocumentReader::Document& document, std::vector<std::string> codes,
                  const std::function<bool(const std::vector<std::string>&, size_t)>& at) {
    for (const auto& words : Words(document, codes)) {
      for (size_t i = 0; i < words.size(); ++i) {
        if (at(words, i)) return true;
      }
    }
    return false;
  }
  static std::string Value(const KtfDocumentReader::Document& document, const std::string& code) {
    for (const auto& [name, value] : document) {
      if (name == code) return value;
    }
    return "";
  }

 private:
  std::vector<KtfDocumentReader::Document> documents_;
};

auto Word(const std::string& word) {
  return [word](const std::vector<std::string>& words, size_t i) { return words[i] == word; };
}
auto Prefix(const std::string& prefix) {
  return [prefix](const std::vector<std::string>& words, size_t i) {
    return words[i].rfind(prefix, 0) == 0;
  };
}
// `right` at most `gap` words after `left`.
auto Near(const std::string& left, const std::string& right, size_t gap) {
  return [=](const std::vector<std::string>& words, size_t i) {
    if (words[i] != left) return false;
    for (size_t j = i + 1; j < words.size() && j <= i + gap + 1; ++j) {
      if (words[j] == right) return true;
    }
    return false;
  };
}

// Every SGML file of `folder` validates against the DTD (onsgmls), every
// TIFF page reads back with libtiff and has its PNG; their numbers.
void CheckFilesOpen(const fs::path& folder, size_t& sgml, size_t& pages) {
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
}

const std::vector<std::string> kDefault = {"TI", "AB"};

// The sample session's strategy, run again from its third question, makes
// the same hits on renumbered sets; its term index counts what the base's
// titles hold; STOP saved the strategy; the transcript holds every line.
void SampleStrategyAndIndex(const Outcome& run, const Oracle& base, const TempDir& out) {
  const Json executed = run.Result("..EX 3 FROM sample-strategy");
  ASSERT_TRUE(executed.contains("executed")) << executed.dump();
  std::map<int, long> hits;
  const Json history = run.Result("..HI");
  for (const Json& set : history["sets"]) hits[set["set"].get<int>()] = set["hits"];
  for (const Json& question : executed["executed"]) {
    const int saved = question["saved_set"].get<int>();
    ASSERT_TRUE(hits.count(saved)) << question.dump();
    EXPECT_EQ(question["hits"].get<long>(), hits[saved]) << question.dump();
  }
  EXPECT_EQ(executed["executed"][0]["number"], 3);
  EXPECT_EQ(executed["executed"][4]["line"], "$12 AND $15");  // was "$3 AND $6"

  // Each title word: the documents it is in, with the accents of
  // windows-1252's letters taken off as the index's tokenizer does. Words
  // still holding other letters (ß, ø, æ) are left out of the comparison on
  // both sides.
  const auto ascii = [](const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](char c) { return (c & 0x80) == 0; });
  };
  const auto fold = [](unsigned char c) -> char {
    static const std::pair<std::string_view, char> kBases[] = {
        {"\xc0\xc1\xc2\xc3\xc4\xc5\xe0\xe1\xe2\xe3\xe4\xe5", 'a'},
        {"\xc7\xe7", 'c'},
        {"\xc8\xc9\xca\xcb\xe8\xe9\xea\xeb", 'e'},
        {"\xcc\xcd\xce\xcf\xec\xed\xee\xef", 'i'},
        {"\xd1\xf1", 'n'},
        {"\xd2\xd3\xd4\xd5\xd6\xf2\xf3\xf4\xf5\xf6", 'o'},
        {"\xd9\xda\xdb\xdc\xf9\xfa\xfb\xfc", 'u'},
        {"\xdd\xfd\xff", 'y'}};
    for (const auto& [accented, base] : kBases) {
      if (accented.find(static_cast<char>(c)) != std::string_view::npos) return base;
    }
    return static_cast<char>(c < 0x80 ? std::tolower(c) : c);
  };
  std::map<std::string, long> titles;
  base.Count([&](const KtfDocumentReader::Document& d) {
    std::set<std::string> words;
    std::string word;
    for (const char c : d.Values("TI").empty() ? std::string() : d.Values("TI").front() + " ") {
      if (std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80) != 0) {
        word += fold(static_cast<unsigned char>(c));
      } else if (!word.empty()) {
        if (ascii(word)) words.insert(word);
        word.clear();
      }
    }
    for (const std::string& each : words) ++titles[each];
    return false;
  });
  const Json index = run.Result("..IND /TI sol");
  ASSERT_TRUE(index.contains("terms")) << index.dump();
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
  EXPECT_EQ(index["terms"].size(), 15u);
  EXPECT_EQ(run.Result("..STOP")["strategy"], "last-session");
  EXPECT_TRUE(fs::exists(out.File("strategies/last-session.strategy")));
  const std::string transcript = ReadBytes(out.File("transcript.txt"));
  EXPECT_NE(transcript.find("> ..IND /TI sol\n"), std::string::npos);
  EXPECT_NE(transcript.find("  set 20: "), std::string::npos);
  // The JSON lines carry what the transcript holds: the time and the text.
  EXPECT_EQ(index["output"].size(), index["terms"].size() + 2);  // heading and the typed word
  EXPECT_TRUE(index.contains("time"));
}


// The searches of the sample session with their hits, counted in the base's
// own documents.
std::vector<std::pair<std::string, long>> SampleSessionHits() {
  const Oracle base(SORREL_SAMPLE_BASE_DIR "/documents.ktf");
  using Document = KtfDocumentReader::Document;
  const long solar =
      base.Count([](const Document& d) { return Oracle::Has(d, kDefault, Word("solar")); });
  const long panel = base.Count([](const Document& d) {
    return Oracle::Has(d, kDefault, Word("solar")) && Oracle::Has(d, kDefault, Word("panel"));
  });
  EXPECT_GT(solar, panel);
  return {
      {"solar AND panel", panel},
      {"garden/TI",
       base.Count([](const Document& d) { return Oracle::Has(d, {"TI"}, Word("garden")); })},
      {"solar 3W cell", base.Count([](const Document& d) {
         return Oracle::Has(d, kDefault, Near("solar", "cell", 3));
       })},
      {"sol+ AND roof", base.Count([](const Document& d) {
         return Oracle::Has(d, kDefault, Prefix("sol")) && Oracle::Has(d, kDefault, Word("roof"));
       })},
      {"pump AND 2010/PD", base.Count([](const Document& d) {
         return Oracle::Has(d, kDefault, Word("pump")) &&
                Oracle::Value(d, "PD").rfind("2010", 0) == 0;
       })},
      {"M\u00fcller/IN", base.Count([](const Document& d) {
         const std::vector<std::string> inventors = d.Values("IN");
         return std::any_of(inventors.begin(), inventors.end(), [](const std::string& name) {
           return name.find("M\xfcller") != std::string::npos;
         });
       })},
      {"1000000/PN", base.Count([](const Document& d) {
         const std::string number = Oracle::Value(d, "PN");
         return number.find(" 1000000") != std::string::npos;
       })},
  };
}

TEST(SessionEndToEnd, SampleSessionAnswersAsTheBaseAndMakesFilesThatOpen) {
  TempDir out;
  const Outcome run =
      RunTool({"session", "--json", "--out", out.path().string(), "--strategies",
               out.File("strategies"), SORREL_SOURCE_DIR "/examples/session.verger"},
              {});
  ASSERT_EQ(run.exit, 0);
  for (const auto& [line, hits] : SampleSessionHits()) {
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

  // Every SGML file validates against the DTD; every page reads back with libtiff.
  const Json printed = run.Result("..PR 1-3");
  for (const Json& document : printed["documents"]) {
    EXPECT_FALSE(document.contains("problems")) << document.dump();
  }
  size_t sgml = 0, pages = 0;
  CheckFilesOpen(out.path(), sgml, pages);
  EXPECT_EQ(sgml, 4u);
  EXPECT_EQ(pages, 2u);
  const Json summary = run.results.back()["summary"];
  EXPECT_EQ(summary["printed"], 4);
  EXPECT_EQ(summary["kept"], 2);
  SampleStrategyAndIndex(run, Oracle(SORREL_SAMPLE_BASE_DIR "/documents.ktf"), out);
}

TEST(SessionEndToEnd, ExpiredSessionLogsInAgainAndKeepsItsSets) {
  ReferenceServer server({"--session-timeout", "1"});
  TempDir out;
  ::setenv("SORREL_PASSWORD", "demo", 1);
  const Outcome run = RunTool({"session", "--json", "--url", server.Servlet(), "--user", "demo",
                               "--base", "SMALL", "--out", out.path().string()},
                              {{"pump"}, {"roof"}, {"..PR 1", 2500}, {"$1 OR $2"}});
  EXPECT_EQ(run.exit, 0);
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

TEST(SessionEndToEnd, HostileLinesGetAMessageAndTheSessionGoesOn) {
  ReferenceServer server;
  TempDir out;
  ::setenv("SORREL_PASSWORD", "demo", 1);
  const std::string huge(70000, 'a');
  const std::string binary("\x01\x02\xff\xfe solar \x7f", 11);
  const Outcome run = RunTool({"session", "--json", "--url", server.Servlet(), "--user", "demo",
                               "--base", "SMALL", "--out", out.path().string()},
                              {{huge}, {binary}, {"/TI >=2000"}, {"pump"}});
  EXPECT_EQ(run.exit, 0);
  std::vector<Json> lines;
  for (const Json& result : run.results) {
    if (result.contains("line")) lines.push_back(result);
  }
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(lines[i].contains("error")) << lines[i];
  EXPECT_EQ(run.Result("pump")["hits"], 2);
}

TEST(SessionEndToEnd, ServerThatDiesEndsTheSessionWithAClearMessage) {
  auto server = std::make_unique<ReferenceServer>();
  TempDir out;
  ::setenv("SORREL_PASSWORD", "demo", 1);
  const Outcome run = RunTool({"session", "--json", "--url", server->Servlet(), "--user", "demo",
                               "--base", "SMALL", "--out", out.path().string()},
                              {{"pump"}, {"roof", 0, [&] { server.reset(); }}, {"valve"}});
  EXPECT_EQ(run.exit, 3);
  EXPECT_NE(run.Result("roof")["error"].get<std::string>().find("does not answer"),
            std::string::npos);
  EXPECT_TRUE(run.Result("valve").is_null());
}

TEST(SessionEndToEnd, LoginAnswerThatIsNotXmlOrNotFoundEndsTheSession) {
  const struct {
    ScriptedAnswer answer;
    const char* error;
  } kCases[] = {
      {{200, {}, "OK"}, "not well-formed XML"},
      {{404, {}, "<html><title>Not Found</title></html>"}, "no search server at this URL"},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.error);
    ScriptedHttpServer server;
    server.SetHandler([&](const RecordedRequest&) { return known.answer; });
    TempDir out;
    const Outcome run = RunTool({"session", "--json", "--url", server.Url("/sorrel/Search"),
                                 "--user", "demo", "--out", out.path().string()},
                                {{"pump"}, {"valve"}});
    EXPECT_EQ(run.exit, 4);
    EXPECT_NE(run.Result("pump")["error"].get<std::string>().find(known.error), std::string::npos)
        << run.Result("pump");
    EXPECT_TRUE(run.Result("valve").is_null());
  }
}

// A one-document search server's answer to `request`: a login opens a session, a question makes
// set 1 of one hit whose record holds `fields`, and anything else is answered `other`.
ScriptedAnswer OneDocumentAnswer(const RecordedRequest& request, const std::string& fields,
                                 const std::string& other) {
  if (request.target.find("UserAuthentication") != std::string::npos) {
    return ScriptedAnswer::OpenSession();
  }
  const auto has = [&](const char* part) { return request.body.find(part) != std::string::npos; };
  if (has("action=p")) return ScriptedAnswer{200, {}, "STATUS=OK\nQUESTION=x\n\n"};
  if (has("taille=0")) return ScriptedAnswer{200, {}, "SET=1\nHITS=1\n\n"};
  if (has("action=r")) return ScriptedAnswer{200, {}, "SET=1\nHITS=1\n\n" + fields + "\n\n"};
  return ScriptedAnswer{200, {}, other};
}

// A search server whose answers hold windows-1252 letters: the JSON of the
// session and of the one-shot commands carries them as UTF-8.
TEST(SessionEndToEnd, JsonCarriesTheServersWindows1252TextAsUtf8) {
  const std::string title =
      "Gr\xfc\xdf"
      "e \x80 5 \x81";
  const std::string utf8 =
      "Gr\xc3\xbc\xc3\x9f"
      "e \xe2\x82\xac 5 \xc2\x81";
  ScriptedHttpServer server;
  server.SetHandler([&](const RecordedRequest& request) {
    return OneDocumentAnswer(request, "PN=EP 1 A1\nTI=" + title, title);
  });
  TempDir out;
  ::setenv("SORREL_PASSWORD", "demo", 1);
  const std::string url = server.Url("/app/Search");
  const Outcome session = RunTool({"session", "--json", "--url", url, "--user", "demo", "--base",
                                   "B", "--out", out.path().string()},
                                  {{"pump"}, {"..BR 1"}});
  EXPECT_EQ(session.exit, 0);
  EXPECT_EQ(session.Result("..BR 1")["document"]["TI"], utf8);
  const Outcome file =
      RunTool({"file", "--json", "--url", url, "--user", "demo", "B", "help.txt"}, {});
  EXPECT_EQ(file.exit, 0);
  ASSERT_EQ(file.results.size(), 1u);
  EXPECT_EQ(file.results[0]["body"], utf8);
}

// Runs the tool with `arguments` (each in single quotes, none holding one) and these environment
// assignments in front, its standard input from /dev/null; what it writes on both outputs.
std::string RunToolText(const std::string& environment, const std::vector<std::string>& arguments) {
  std::string command = environment + " '" SORREL_TOOL_BINARY "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  FILE* output = ::popen((command + " </dev/null 2>&1").c_str(), "r");
  if (output == nullptr) return {};
  std::string text;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, output)) > 0;)
    text.append(buffer, got);
  ::pclose(output);
  return text;
}

// A server that retitles and clears the terminal through a document's fields (the abstract reaches
// the terminal as it is), its publication number, a text file and a refusal: the text session and
// the one-shot commands show the control characters visibly and send none of them, C1 bytes
// included; windows-1252 letters pass.
TEST(SessionEndToEnd, ServerTextReachesTheTerminalWithoutControlCharacters) {
  const std::string hostile =
      "T\xfctel \x1b]0;owned\x07 \x1b[2J \x9b"
      "2J\r end \x81";
  ScriptedHttpServer server;
  server.SetHandler([&](const RecordedRequest& request) {
    if (request.body.find("file=gone") != std::string::npos) {
      return ScriptedAnswer{404, {}, "<TITLE>" + hostile + "</TITLE>"};
    }
    return OneDocumentAnswer(request, "PN=EP\x1b[8m 1 A1\nTI=" + hostile + "\nAB=" + hostile,
                             hostile);
  });
  TempDir out;
  const fs::path script = out.path() / "lines.txt";
  WriteBytes(script.string(), "pump\n..BR 1\n");
  const std::string url = server.Url("/app/Search");
  const std::string environment = "SORREL_PASSWORD=demo";
  const std::string outputs[] = {
      RunToolText(environment, {"session", "--url", url, "--user", "demo", "--base", "B", "--out",
                                out.path().string(), script.string()}),
      RunToolText(environment, {"file", "--url", url, "--user", "demo", "B", "help.txt"}),
      RunToolText(environment, {"post", url, "file=x"}),
      RunToolText(environment, {"file", "--url", url, "--user", "demo", "B", "gone"}),
  };
  for (const std::string& output : outputs) {
    for (const char control : {'\x1b', '\x07', '\x9b', '\x81', '\r'}) {
      EXPECT_EQ(output.find(control), std::string::npos) << output;
    }
  }
  const std::string shown = "T\xfctel ^[]0;owned^G ^[[2J \\x9b2J^M end \\x81";
  // The session shows the server's text in UTF-8, where 0x9B is the
  // windows-1252 letter "\u203a", no control.
  // A byte windows-1252 leaves undefined is the C1 control of its number,
  // shown as such.
  const std::string shownUtf8 = "T\u00fctel ^[]0;owned^G ^[[2J \u203a2J^M end \\x81";
  EXPECT_NE(outputs[0].find("AB  " + shownUtf8), std::string::npos) << outputs[0];
  EXPECT_NE(outputs[1].find(shownUtf8), std::string::npos) << outputs[1];
  EXPECT_NE(outputs[2].find(shown), std::string::npos) << outputs[2];
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

// Every SGML file of `folder` is whole; their number.
size_t WholeSgmlFiles(const fs::path& folder) {
  size_t whole = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".sgml") continue;
    const std::string text = ReadBytes(entry.path().string());
    EXPECT_NE(text.rfind("</PATDOC>"), std::string::npos) << entry.path();
    ++whole;
  }
  return whole;
}

// Ctrl-C stops a long PRINT and comes back to the prompt; at the prompt it
// drops the line typed; Ctrl-D ends the session with its summary.
TEST(SessionEndToEnd, CtrlCStopsTheCommandAndTheSessionGoesOn) {
  TempDir out;
  OnTerminal tool({"session", "--out", out.path().string()});
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("solar OR panel OR roof OR pump\r");
  ASSERT_TRUE(tool.Shows("sorrel> "));
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
  tool.Type("..HI\r");
  ASSERT_TRUE(tool.Shows("sorrel> "));
  EXPECT_NE(tool.shown.find("$1  "), std::string::npos) << "the session goes on: " << tool.shown;
  EXPECT_EQ(tool.shown.find("pump AND"), std::string::npos) << "the line was dropped";
  tool.Type("\x04");
  EXPECT_TRUE(tool.Shows("Summary"));
  EXPECT_EQ(tool.Wait(), 0);
  const size_t files = WholeSgmlFiles(out.path());
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, 400u);
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
  const size_t files = WholeSgmlFiles(out.path());
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, 400u);
}

// Through squid with basic authentication, SORREL_PROXY_USER and SORREL_PROXY_PASSWORD carry the
// session (login, question, goodbye) and a one-shot command; wrong ones fail on the proxy's 407.
TEST(SessionEndToEnd, ProxyCredentialsOfTheEnvironmentPassSquid) {
  if (!SquidProxy::Available()) GTEST_SKIP() << "squid is not installed";
  SquidProxy proxy("proxyuser", "proxypass");
  ReferenceServer server;
  TempDir out;
  ::setenv("SORREL_PASSWORD", "demo", 1);
  ::setenv("http_proxy", proxy.Url().c_str(), 1);
  ::unsetenv("no_proxy");
  ::setenv("SORREL_PROXY_USER", "proxyuser", 1);
  ::setenv("SORREL_USER", "demo", 1);
  for (const char* password : {"proxypass", "wrong"}) {
    SCOPED_TRACE(password);
    const bool right = std::string(password) == "proxypass";
    ::setenv("SORREL_PROXY_PASSWORD", password, 1);
    const Outcome session = RunTool({"session", "--json", "--url", server.Servlet(), "--user",
                                     "demo", "--base", "SMALL", "--out", out.path().string()},
                                    {{"pump"}});
    EXPECT_EQ(session.Result("pump")["hits"], right ? Json(2) : Json()) << proxy.AccessLog();
    EXPECT_EQ(session.Saw("proxyAuthenticationRequired"), !right);
    const Outcome info = RunTool({"info", "--json", "--url", server.Servlet(), "SMALL"}, {});
    ASSERT_FALSE(info.results.empty());
    EXPECT_EQ(info.results.back()["ok"], right) << info.results.back().dump();
  }
  EXPECT_NE(proxy.AccessLog().find("/UserDisconnection proxyuser "), std::string::npos)
      << proxy.AccessLog();
  for (const char* name :
       {"http_proxy", "SORREL_USER", "SORREL_PROXY_USER", "SORREL_PROXY_PASSWORD"}) {
    ::unsetenv(name);
  }
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
  ::setenv("SORREL_USER", "demo", 1);
  ::setenv("SORREL_PASSWORD", "demo", 1);
  for (const char* optIn : {"0", "1"}) {
    SCOPED_TRACE(optIn);
    ::setenv("SORREL_HTTP_ACCEPT_UNKNOWN_CA", optIn, 1);
    const Outcome info =
        RunTool({"info", "--json", "--url", nginx.Url(0) + "sorrel/Search", "SMALL"}, {});
    ASSERT_FALSE(info.results.empty());
    const std::string shown = info.results.back().dump();
    EXPECT_EQ(info.results.back()["ok"], *optIn == '1') << shown << nginx.Log();
    EXPECT_EQ(shown.find("12045") != std::string::npos, *optIn == '0') << shown;
    EXPECT_EQ(shown.find("unknownAuthorityAccepted") != std::string::npos, *optIn == '1') << shown;
  }
  for (const char* name : {"SORREL_USER", "SORREL_HTTP_ACCEPT_UNKNOWN_CA"}) ::unsetenv(name);
}

// An environment variable set for one test and put back after it.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* old = ::getenv(name);
    if (old != nullptr) old_ = old;
    ::setenv(name, value, 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Accented spellings against the bundled sample base: each finds the
// document its plain spelling finds, BROWSE shows the names in UTF-8, and a
// letter no code page holds is refused by name.
TEST(SessionEndToEnd, AccentedSpellingsFindWhatThePlainOnesFind) {
  TempDir out;
  const ScopedVariable locale("LC_ALL", "C.UTF-8");
  const Outcome session =
      RunTool({"session", "--json", "--out", out.path().string()}, {{"muller/IN"},
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
}

// The text session shows the names in the locale's encoding; under the C
// locale the tool still runs, the engine's UTF-8 passing as it is.
TEST(SessionEndToEnd, TextShowsAccentsAndTheCLocaleStillRuns) {
  TempDir out;
  WriteBytes(out.File("accented"), "M\u00fcller/IN\n..BR 1\n");
  WriteBytes(out.File("plain"), "muller/IN\n..BR 1\n");
  const std::string utf8 = RunToolText(
      "LC_ALL=C.UTF-8", {"session", "--out", out.path().string(), out.File("accented")});
  EXPECT_NE(utf8.find("set 1: 1 document   IN=M\u00fcller"), std::string::npos) << utf8;
  EXPECT_NE(utf8.find("IN  J\u00fcrgen M\u00fcller; Hans Sch\u00e4fer"), std::string::npos) << utf8;
  const std::string c =
      RunToolText("LC_ALL=C", {"session", "--out", out.path().string(), out.File("plain")});
  EXPECT_NE(c.find("IN  J\u00fcrgen M\u00fcller"), std::string::npos) << c;
  // A script of UTF-8 is read as UTF-8 there too.
  const std::string cAccented =
      RunToolText("LC_ALL=C", {"session", "--out", out.path().string(), out.File("accented")});
  EXPECT_NE(cAccented.find("set 1: 1 document   IN=M\u00fcller"), std::string::npos) << cAccented;
  EXPECT_NE(c.find("Summary"), std::string::npos) << c;
}

// Typed on a UTF-8 terminal: the line editor takes the letters, the search
// finds, BROWSE shows them, and a letter no code page holds is named.
TEST(SessionEndToEnd, AccentsTypedOnATerminalAreSearchedAndShown) {
  TempDir out;
  const ScopedVariable locale("LC_ALL", "C.UTF-8");
  OnTerminal tool({"session", "--out", out.path().string()});
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("M\u00fcller/IN\r");
  ASSERT_TRUE(tool.Shows("IN=M\u00fcller")) << tool.shown;
  EXPECT_NE(tool.shown.find("1 document"), std::string::npos) << tool.shown;
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("..BR 1\r");
  EXPECT_TRUE(tool.Shows("J\u00fcrgen M\u00fcller")) << tool.shown;
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("soci\u00e9t\u00e9/PA\r");
  EXPECT_TRUE(tool.Shows("1 document   PA=soci\u00e9t\u00e9")) << tool.shown;
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("\u0142/IN\r");
  EXPECT_TRUE(tool.Shows("'\u0142' (U+0142)")) << tool.shown;
  ASSERT_TRUE(tool.Shows("sorrel> "));
  tool.Type("\x04");
  EXPECT_TRUE(tool.Shows("Summary"));
  EXPECT_EQ(tool.Wait(), 0);
}

TEST(TranslateCommand, AccentedLinesTranslateAndALetterNoCodePageHoldsIsNamed) {
  const ScopedVariable locale("LC_ALL", "C.UTF-8");
  const Outcome taken =
      RunTool({"translate", "--json", "Sch\u00e4fer/IN", "J\u00f8rgensen/IN"}, {});
  EXPECT_EQ(taken.exit, 0);
  ASSERT_EQ(taken.results.size(), 2u);
  EXPECT_EQ(taken.results[0]["expression"], "IN=Sch\u00e4fer");
  EXPECT_EQ(taken.results[1]["expression"], "IN=J?rgensen");
  EXPECT_NE(taken.results[1]["folded"].get<std::string>().find("\u00f8 as ?"), std::string::npos);
  const Outcome refused = RunTool({"translate", "--json", "a \u20ac b"}, {});
  EXPECT_EQ(refused.exit, 2);
  ASSERT_EQ(refused.results.size(), 1u);
  EXPECT_NE(refused.results[0]["refused"].get<std::string>().find("'\u20ac' (U+20AC)"),
            std::string::npos);
}

}  // namespace
