// What the server program serves, and who may log in: the base's own files
// and links stay private, the login-free variants need an option, guessing
// is slowed and then locked, and a users file without stored forms is
// refused at start.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/server/CurlClient.h"

namespace {

namespace fs = std::filesystem;

// A login from the loopback address `from` (127.0.0.0/8 all reach the server).
CurlClient::Reply Login(const ReferenceServer& server, const std::string& from,
                        const std::string& user, const std::string& password) {
  CurlClient client;
  curl_easy_setopt(client.handle(), CURLOPT_INTERFACE, ("host!" + from).c_str());
  return LogIn(client, server.Root(), user, password);
}

bool Authenticated(const CurlClient::Reply& reply) {
  return reply.status == 200 &&
         reply.body.find("<authenticated>true</authenticated>") != std::string::npos;
}

// Runs a shell command line; its standard output and error, and its exit status.
std::pair<std::string, int> RunCommand(const std::string& command) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[4096];
  size_t got = 0;
  while (pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    output.append(buffer, got);
  }
  int status = pipe == nullptr ? -1 : ::pclose(pipe);
  return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string HashedPassword(const std::string& password) {
  auto [line, status] = RunCommand("printf '%s\\n' '" + password + "' | " + SORREL_SERVER_BINARY +
                                   " --hash-password");
  EXPECT_EQ(status, 0) << line;
  EXPECT_EQ(line.rfind("PasswordHash=pbkdf2-sha256:100000:", 0), 0u) << line;
  return line;
}

TEST(ServerAccess, TheBasesOwnFilesAndLinksAreNotServed) {
  TempDir folder;
  const fs::path base = folder.path() / "base";
  fs::copy(SORREL_SOURCE_DIR "/tests/server/data/small", base, fs::copy_options::recursive);
  std::ofstream(folder.File("secret.txt")) << "outside the base\n";
  fs::create_symlink(folder.File("secret.txt"), base / "linked.txt");
  fs::create_symlink(base / "help.txt", base / "help-link.txt");
  ReferenceServer server({"--base", base.string(), "--xml-server", "on"},
                         ReferenceServer::Base::kSample);
  CurlClient client;
  ASSERT_TRUE(Authenticated(LogIn(client, server.Root(), "demo", "demo")));
  const struct {
    const char* file;
    long status;
  } kFiles[] = {{"help.txt", 200},         {"documents.ktf", 404}, {"register.ktf", 404},
                {"index.sqlite", 404},     {"linked.txt", 404},    {"help-link.txt", 404},
                {"index.sqlite-wal", 404}, {"base.ini", 200}};
  for (const auto& known : kFiles) {
    const std::map<std::string, std::string> form = {
        {"iac_op", "3"}, {"action", "f"}, {"iac_base", "SMALL"}, {"iac_file", known.file}};
    EXPECT_EQ(client.Post(server.Servlet(), form).status, known.status) << known.file;
    EXPECT_EQ(client.Post(server.Root() + "getfile.cgi", form).status, known.status) << known.file;
  }
  const CurlClient::Reply info =
      client.Post(server.Servlet(), {{"iac_op", "2"}, {"action", "infos"}, {"iac_base", "SMALL"}});
  EXPECT_NE(info.body.find("\"help.txt\""), std::string::npos) << info.body;
  for (const char* hidden : {"documents.ktf", "register.ktf", "linked.txt", "help-link.txt"}) {
    EXPECT_EQ(info.body.find(hidden), std::string::npos) << hidden;
  }
}

TEST(ServerAccess, TheLoginFreeVariantsAnswerOnlyWhenTurnedOn) {
  const struct {
    const char* path;
    std::map<std::string, std::string> form;
    const char* says;
  } kRequests[] = {
      {"search.cgi",
       {{"base", "SMALL"}, {"action", "r"}, {"question", "TI AB=pump"}},
       "PN=EP 4 A1"},
      {"getfile.cgi",
       {{"base", "SMALL"}, {"action", "f"}, {"file", "help.txt"}},
       "eleven hand-written"},
      {"XMLServerUserRequest", {}, "<databases>"},
  };
  for (const char* setting : {"", "off", "on"}) {
    std::vector<std::string> arguments;
    if (*setting != '\0') arguments = {"--xml-server", setting};
    ReferenceServer server(arguments);
    CurlClient client;
    for (const auto& request : kRequests) {
      SCOPED_TRACE(std::string(request.path) + " with \"" + setting + "\"");
      const CurlClient::Reply reply = client.Post(server.Root() + request.path, request.form);
      const bool on = std::string(setting) == "on";
      EXPECT_EQ(reply.status, on ? 200 : 404);
      EXPECT_EQ(reply.body.find(request.says) != std::string::npos, on) << reply.body;
    }
  }
}

TEST(ServerAccess, GuessesAreSlowedPerUserAndPerAddress) {
  ReferenceServer server({"--login-delay", "5000", "--lockout-failures", "100"});
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Authenticated(Login(server, "127.0.0.2", "demo", "x")));
  // Within five seconds of the fourth failure neither the user nor the
  // address may try, however right the password; others still log in.
  const CurlClient::Reply wrong = Login(server, "127.0.0.5", "customer", "wrong");
  EXPECT_EQ(Login(server, "127.0.0.3", "demo", "demo").body, wrong.body);
  EXPECT_EQ(Login(server, "127.0.0.2", "disabled", "disabled").body, wrong.body);
  EXPECT_TRUE(Authenticated(Login(server, "127.0.0.4", "customer", "customer")));
  // A login without a user name (a client's first, before it asks for
  // credentials) is no guess.
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(Authenticated(Login(server, "127.0.0.6", "", "")));
  EXPECT_TRUE(Authenticated(Login(server, "127.0.0.6", "expired", "expired")));
}

TEST(ServerAccess, GuessesLockTheUserAndTheAddress) {
  ReferenceServer server(
      {"--login-delay", "1", "--lockout-failures", "5", "--lockout-time", "600"});
  const CurlClient::Reply wrong = Login(server, "127.0.0.9", "customer", "wrong");
  // Five wrong guesses at demo from five addresses lock demo, not them.
  for (int i = 0; i < 5; ++i) {
    Login(server, "127.0.0." + std::to_string(10 + i), "demo", "guess");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Five wrong guesses from one address at five users lock the address.
  for (int i = 0; i < 5; ++i) {
    Login(server, "127.0.0.30", "user" + std::to_string(i), "guess");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Login(server, "127.0.0.20", "demo", "demo").body, wrong.body);
  EXPECT_TRUE(Authenticated(Login(server, "127.0.0.20", "disabled", "disabled")));
  EXPECT_EQ(Login(server, "127.0.0.30", "disabled", "disabled").body, wrong.body);
  EXPECT_TRUE(Authenticated(Login(server, "127.0.0.31", "disabled", "disabled")));
}

TEST(ServerAccess, AStoredFormLogsInWithItsPasswordOnly) {
  const std::string first = HashedPassword("s3cret word");
  EXPECT_NE(first, HashedPassword("s3cret word")) << "each stored form has its own salt";
  TempDir folder;
  std::ofstream(folder.File("users.ini")) << "[alice]\n" << first << "State=active\n";
  ReferenceServer server({"--users", folder.File("users.ini")});
  EXPECT_TRUE(Authenticated(Login(server, "127.0.0.1", "alice", "s3cret word")));
  EXPECT_FALSE(Authenticated(Login(server, "127.0.0.1", "alice", "s3cret Word")));
  EXPECT_FALSE(Authenticated(Login(server, "127.0.0.1", "demo", "demo")));
}

TEST(ServerAccess, AUsersFileWithoutAStoredFormForEveryUserRefusesToStart) {
  const std::string hash = HashedPassword("pw");
  const struct {
    const char* name;
    std::string section;
    const char* says;
  } kFiles[] = {
      {"no password", "State=active\n", "has no PasswordHash"},
      {"misspelt key", "Pasword=pw\n" + hash, "unknown key \"Pasword\""},
      {"clear password", "Password=pw\n", "holds a clear Password"},
      {"clear password beside a hash", hash + "Password=pw\n", "holds a clear Password"},
      {"not a stored form", "PasswordHash=pw\n", "has a PasswordHash that is not a stored form"},
      {"short key", hash.substr(0, hash.size() - 3) + "\n",
       "has a PasswordHash that is not a stored form"},
      {"too few iterations", "PasswordHash=pbkdf2-sha256:10:" + hash.substr(34),
       "has a PasswordHash that is not a stored form"},
  };
  for (const auto& known : kFiles) {
    TempDir folder;
    std::ofstream(folder.File("users.ini")) << "[demo]\n" << hash << "\n[bob]\n" << known.section;
    auto [output, status] =
        RunCommand(std::string(SORREL_SERVER_BINARY) + " --port 0 --users " +
                   folder.File("users.ini") + " --base " + folder.File("no-base"));
    EXPECT_EQ(status, 1) << known.name << ": " << output;
    EXPECT_NE(output.find("user bob: " + std::string(known.says)), std::string::npos)
        << known.name << ": " << output;
  }
}

}  // namespace
