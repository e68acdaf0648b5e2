#include "server/ServerOptions.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>

const char ServerOptions::kUsage[] =
    "Usage: sorrel-server [OPTION]...\n"
    "  or:  sorrel-server --hash-password\n"
    "  or:  sorrel-server --generate-base DIR [--documents N] [--name NAME]\n"
    "The reference search server: the client's server protocol over SQLite FTS5 bases.\n"
    "It prints its servlet URL as its first line and serves until SIGINT or SIGTERM.\n"
    "Without --base it serves the sample base SAMPLE, generated on first use.\n"
    "\n"
    "Options:\n"
    "  --port N                      TCP port to listen on (default 8080; 0 picks a free one)\n"
    "  --host ADDRESS                address to listen on (default 127.0.0.1)\n"
    "  --base DIR                    serve the base in DIR (repeatable)\n"
    "  --users FILE                  users table (default: the bundled server/users.ini)\n"
    "  --sample-dir DIR              where the sample base is made and served without --base\n"
    "                                (default: SORREL_SAMPLE_DIR, else ~/.cache/sorrel/SAMPLE)\n"
    "  --data-dir DIR                folder of the bundled files (sets SORREL_DATA_DIR)\n"
    "  --session-timeout SECONDS     idle time that ends a session\n"
    "  --session-lifetime SECONDS    longest life of a session\n"
    "  --tls-cert FILE               serve HTTPS with this certificate (with --tls-key)\n"
    "  --tls-key FILE                the certificate's private key\n"
    "  --threads N                   worker threads\n"
    "  --max-body BYTES              largest request body accepted\n"
    "  --header-timeout SECONDS      time allowed for a request's headers\n"
    "  --per-address N               connections allowed from one address\n"
    "  --guard-path PATH             basic authentication in front of PATH (with --guard-user)\n"
    "  --guard-user USER:PASSWORD    the account that --guard-path lets in\n"
    "  --xml-server on|off           the login-free XML-server variant\n"
    "  --login-delay MS              delay of every refused login\n"
    "  --lockout-failures N          refused logins that lock an account\n"
    "  --lockout-time SECONDS        how long a locked account stays locked\n"
    "  --hash-password               read a password, print its PasswordHash line for a users "
    "file\n"
    "  --generate-base DIR           write a generated base into DIR and stop\n"
    "  --documents N                 documents of a generated base (default 2000)\n"
    "  --name NAME                   name of a generated base (default SAMPLE)\n"
    "  -h, --help                    print this help and stop\n"
    "  --version                     print the library's name and version and stop\n";

namespace {

// `text` as a decimal number within [low, high] into `target`; false, with
// `target` untouched, for anything else.
template <typename T>
bool Count(const char* text, long long low, long long high, T& target) {
  char* end = nullptr;
  long long value = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  target = static_cast<T>(value);
  return true;
}

bool OnOff(const char* text, bool& target) {
  std::string value = text;
  if (value != "on" && value != "off") return false;
  target = value == "on";
  return true;
}

bool Text(const char* text, std::string& target) {
  target = text;
  return true;
}

// Every option: its name, the problem a refused value reports, and where its
// value goes (false when the value is refused).
struct OptionRow {
  const char* name;
  const char* problem;
  bool (*set)(ServerOptions& options, const char* value);
};

using O = ServerOptions;
const OptionRow kOptions[] = {
    {"--port", "bad port", [](O& o, const char* v) { return Count(v, 0, 65535, o.server.port); }},
    {"--host", "", [](O& o, const char* v) { return Text(v, o.server.host); }},
    {"--base", "", [](O& o, const char* v) { return Text(v, o.server.bases.emplace_back()); }},
    {"--users", "", [](O& o, const char* v) { return Text(v, o.server.usersFile); }},
    {"--sample-dir", "", [](O& o, const char* v) { return Text(v, o.sampleFolder); }},
    {"--data-dir", "", [](O& o, const char* v) { return Text(v, o.dataFolder); }},
    {"--session-timeout", "bad session timeout",
     [](O& o, const char* v) { return Count(v, 1, 365LL * 24 * 3600, o.server.sessionTimeout); }},
    {"--session-lifetime", "bad session lifetime",
     [](O& o, const char* v) { return Count(v, 1, 365LL * 24 * 3600, o.server.sessionLifetime); }},
    {"--header-timeout", "bad header timeout",
     [](O& o, const char* v) { return Count(v, 1, 3600, o.server.headerTimeout); }},
    {"--per-address", "bad connection count",
     [](O& o, const char* v) { return Count(v, 1, 1024, o.server.perAddress); }},
    {"--tls-cert", "", [](O& o, const char* v) { return Text(v, o.server.tlsCert); }},
    {"--tls-key", "", [](O& o, const char* v) { return Text(v, o.server.tlsKey); }},
    {"--threads", "bad thread count",
     [](O& o, const char* v) { return Count(v, 1, 1024, o.server.threads); }},
    {"--max-body", "bad body limit",
     [](O& o, const char* v) { return Count(v, 1024, 1LL << 32, o.server.maxBody); }},
    {"--guard-path", "", [](O& o, const char* v) { return Text(v, o.server.guardPath); }},
    // "USER:PASSWORD", split once the whole line is read.
    {"--guard-user", "", [](O& o, const char* v) { return Text(v, o.server.guardUser); }},
    {"--xml-server", "--xml-server takes on or off",
     [](O& o, const char* v) { return OnOff(v, o.server.xmlServer); }},
    {"--login-delay", "bad login delay",
     [](O& o, const char* v) { return Count(v, 0, 3600000, o.server.loginDelay); }},
    {"--lockout-failures", "bad lockout failure count",
     [](O& o, const char* v) { return Count(v, 1, 1000000, o.server.lockoutFailures); }},
    {"--lockout-time", "bad lockout time",
     [](O& o, const char* v) { return Count(v, 1, 365LL * 24 * 3600, o.server.lockoutTime); }},
    {"--generate-base", "", [](O& o, const char* v) { return Text(v, o.generateFolder); }},
    {"--documents", "bad document count",
     [](O& o, const char* v) { return Count(v, 1, 100000000, o.documents); }},
    {"--name", "", [](O& o, const char* v) { return Text(v, o.baseName); }},
};

ServerOptions Refused(ServerOptions options, std::string problem) {
  options.action = ServerOptions::Action::kRefused;
  options.problem = std::move(problem);
  return options;
}

// The checks that need the whole line: the guard's credentials and the TLS pair.
ServerOptions Checked(ServerOptions options) {
  std::string guard = std::move(options.server.guardUser);
  options.server.guardUser.clear();
  if (!options.server.guardPath.empty()) {
    size_t colon = guard.find(':');
    if (colon == std::string::npos) {
      return Refused(std::move(options), "--guard-path needs --guard-user USER:PASSWORD");
    }
    options.server.guardUser = guard.substr(0, colon);
    options.server.guardPassword = guard.substr(colon + 1);
  }
  if (options.server.tlsCert.empty() != options.server.tlsKey.empty()) {
    return Refused(std::move(options), "--tls-cert and --tls-key go together");
  }
  return options;
}

}  // namespace

ServerOptions ServerOptions::Parse(int argc, const char* const* argv) {
  ServerOptions options;
  options.server.port = 8080;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.action = Action::kHelp;
      return options;
    }
    if (arg == "--hash-password" || arg == "--version") {
      options.action = arg == "--version" ? Action::kVersion : Action::kHashPassword;
      return options;
    }
    if (i + 1 >= argc) return Refused(std::move(options), "missing value after " + arg);
    const char* value = argv[++i];
    const OptionRow* row = nullptr;
    for (const OptionRow& candidate : kOptions) {
      if (arg == candidate.name) row = &candidate;
    }
    if (row == nullptr) return Refused(std::move(options), "unknown option " + arg);
    if (!row->set(options, value)) return Refused(std::move(options), row->problem);
  }
  if (!options.generateFolder.empty()) {
    options.action = Action::kGenerateBase;
    return options;
  }
  return Checked(std::move(options));
}
