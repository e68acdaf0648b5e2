#include "server/ServerOptions.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

ServerOptions Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "sorrel-server");
  return ServerOptions::Parse(static_cast<int>(args.size()), args.data());
}

using Action = ServerOptions::Action;

TEST(ServerOptions, RefusesOrStopsAtTheFirstProblemInTheLinesOrder) {
  struct Case {
    std::vector<const char*> args;
    Action action;
    const char* problem;
  } cases[] = {
      {{}, Action::kServe, ""},
      {{"--help"}, Action::kHelp, ""},
      {{"--port", "1", "-h", "--bogus"}, Action::kHelp, ""},
      // An option takes the next word as its value, even "--help".
      {{"--bogus", "--help"}, Action::kRefused, "unknown option --bogus"},
      {{"--port", "x", "--help"}, Action::kRefused, "bad port"},
      {{"--port"}, Action::kRefused, "missing value after --port"},
      {{"--port", "65536"}, Action::kRefused, "bad port"},
      {{"--port", "80x"}, Action::kRefused, "bad port"},
      {{"--port", ""}, Action::kRefused, "bad port"},
      {{"--session-timeout", "0"}, Action::kRefused, "bad session timeout"},
      {{"--session-timeout", "31536001"}, Action::kRefused, "bad session timeout"},
      {{"--threads", "1025"}, Action::kRefused, "bad thread count"},
      {{"--session-lifetime", "0"}, Action::kRefused, "bad session lifetime"},
      {{"--header-timeout", "0"}, Action::kRefused, "bad header timeout"},
      {{"--header-timeout", "3601"}, Action::kRefused, "bad header timeout"},
      {{"--per-address", "0"}, Action::kRefused, "bad connection count"},
      {{"--max-body", "1023"}, Action::kRefused, "bad body limit"},
      {{"--max-body", "4294967297"}, Action::kRefused, "bad body limit"},
      {{"--documents", "0"}, Action::kRefused, "bad document count"},
      {{"--guard-path", "/sorrel/"},
       Action::kRefused,
       "--guard-path needs --guard-user USER:PASSWORD"},
      {{"--guard-path", "/p", "--guard-user", "nocolon"},
       Action::kRefused,
       "--guard-path needs --guard-user USER:PASSWORD"},
      // Credentials without a guarded path are not checked.
      {{"--guard-user", "nocolon"}, Action::kServe, ""},
      {{"--tls-key", "key.pem"}, Action::kRefused, "--tls-cert and --tls-key go together"},
      // Writing a base ignores what only serving needs.
      {{"--generate-base", "out", "--tls-cert", "c.pem"}, Action::kGenerateBase, ""},
      {{"--generate-base", "out", "--documents", "x"}, Action::kRefused, "bad document count"},
      {{"--port", "1", "--hash-password", "--bogus"}, Action::kHashPassword, ""},
      {{"--version", "--bogus"}, Action::kVersion, ""},
      {{"--sample-dir"}, Action::kRefused, "missing value after --sample-dir"},
      {{"--xml-server", "yes"}, Action::kRefused, "--xml-server takes on or off"},
      {{"--lockout-failures", "0"}, Action::kRefused, "bad lockout failure count"},
      {{"--lockout-time", "0"}, Action::kRefused, "bad lockout time"},
      {{"--login-delay", "-1"}, Action::kRefused, "bad login delay"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const char* arg : c.args) line += std::string(" ") + arg;
    ServerOptions options = Parse(c.args);
    EXPECT_EQ(options.action, c.action) << line;
    EXPECT_EQ(options.problem, c.problem) << line;
  }
}

TEST(ServerOptions, PutsEachValueInItsPlace) {
  ServerOptions defaults = Parse({});
  EXPECT_EQ(defaults.server.port, 8080);
  EXPECT_TRUE(defaults.server.bases.empty());
  EXPECT_TRUE(defaults.server.usersFile.empty());

  std::vector<const char*> line;
  std::istringstream words(
      "--port 0 --host ::1 --base a --users u.ini --base b --session-timeout 60 "
      "--session-lifetime 600 --header-timeout 4 --per-address 2 --tls-cert c.pem --tls-key k.pem "
      "--threads 3 --max-body 4294967296 --guard-path /sorrel/x --guard-user ann:pass:word --port "
      "9");
  std::vector<std::string> held(std::istream_iterator<std::string>(words), {});
  for (const std::string& word : held) line.push_back(word.c_str());
  ServerOptions options = Parse(line);
  ASSERT_EQ(options.action, Action::kServe) << options.problem;
  const SorrelServer::Options& server = options.server;
  EXPECT_EQ(server.port, 9);  // the last one given wins
  EXPECT_EQ(server.host, "::1");
  EXPECT_EQ(server.bases, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(server.usersFile, "u.ini");
  EXPECT_EQ(server.sessionTimeout, std::chrono::seconds(60));
  EXPECT_EQ(server.sessionLifetime, std::chrono::seconds(600));
  EXPECT_EQ(server.headerTimeout, std::chrono::seconds(4));
  EXPECT_EQ(server.perAddress, 2u);
  EXPECT_EQ(server.tlsCert, "c.pem");
  EXPECT_EQ(server.tlsKey, "k.pem");
  EXPECT_EQ(server.threads, 3u);
  EXPECT_EQ(server.maxBody, size_t{1} << 32);
  EXPECT_EQ(server.guardPath, "/sorrel/x");
  EXPECT_EQ(server.guardUser, "ann");  // split at the first colon
  EXPECT_EQ(server.guardPassword, "pass:word");

  ServerOptions generate = Parse({"--name", "BIG", "--generate-base", "out", "--documents", "7"});
  ASSERT_EQ(generate.action, Action::kGenerateBase) << generate.problem;
  EXPECT_EQ(generate.generateFolder, "out");
  EXPECT_EQ(generate.baseName, "BIG");
  EXPECT_EQ(generate.documents, 7u);
  EXPECT_EQ(Parse({"--generate-base", "out"}).baseName, "SAMPLE");
  EXPECT_EQ(Parse({"--generate-base", "out"}).documents, 2000u);
}

}  // namespace
