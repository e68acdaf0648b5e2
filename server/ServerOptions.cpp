#include "server/ServerOptions.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

const char ServerOptions::kUsage[] =
    "usage: sorrel-server [--port N] [--host ADDRESS] [--base DIR]... [--users FILE]\n"
    "                     [--session-timeout SECONDS] [--tls-cert FILE --tls-key FILE]\n"
    "                     [--threads N] [--max-body BYTES] [--guard-path PATH --guard-user U:P]\n"
    "       sorrel-server --generate-base DIR [--documents N] [--name NAME]\n"
    "Without --base it serves the sample base SAMPLE (generated on first use).\n";

namespace {

// `text` as a decimal number within [low, high]; false for anything else.
bool Number(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high;
}

// Puts an option's value where it belongs; false when the value is refused.
using Setter = bool (*)(ServerOptions& options, const char* value);

// Every option: its name, the problem a refused value reports, what it sets.
struct OptionRow {
  const char* name;
  const char* problem;
  Setter set;
};

const OptionRow kOptions[] = {
    {"--port", "bad port",
     [](ServerOptions& o, const char* v) {
       long long n = 0;
       if (!Number(v, 0, 65535, n)) return false;
       o.server.port = static_cast<int>(n);
       return true;
     }},
    {"--host", "",
     [](ServerOptions& o, const char* v) {
       o.server.host = v;
       return true;
     }},
    {"--base", "",
     [](ServerOptions& o, const char* v) {
       o.server.bases.push_back(v);
       return true;
     }},
    {"--users", "",
     [](ServerOptions& o, const char* v) {
       o.server.usersFile = v;
       return true;
     }},
    {"--session-timeout", "bad session timeout",
     [](ServerOptions& o, const char* v) {
       long long n = 0;
       if (!Number(v, 1, 365LL * 24 * 3600, n)) return false;
       o.server.sessionTimeout = std::chrono::seconds(n);
       return true;
     }},
    {"--tls-cert", "",
     [](ServerOptions& o, const char* v) {
       o.server.tlsCert = v;
       return true;
     }},
    {"--tls-key", "",
     [](ServerOptions& o, const char* v) {
       o.server.tlsKey = v;
       return true;
     }},
    {"--threads", "bad thread count",
     [](ServerOptions& o, const char* v) {
       long long n = 0;
       if (!Number(v, 1, 1024, n)) return false;
       o.server.threads = static_cast<size_t>(n);
       return true;
     }},
    {"--max-body", "bad body limit",
     [](ServerOptions& o, const char* v) {
       long long n = 0;
       if (!Number(v, 1024, 1LL << 32, n)) return false;
       o.server.maxBody = static_cast<size_t>(n);
       return true;
     }},
    {"--guard-path", "",
     [](ServerOptions& o, const char* v) {
       o.server.guardPath = v;
       return true;
     }},
    // "USER:PASSWORD", split once the whole line is read.
    {"--guard-user", "",
     [](ServerOptions& o, const char* v) {
       o.server.guardUser = v;
       return true;
     }},
    {"--generate-base", "",
     [](ServerOptions& o, const char* v) {
       o.generateFolder = v;
       return true;
     }},
    {"--documents", "bad document count",
     [](ServerOptions& o, const char* v) {
       long long n = 0;
       if (!Number(v, 1, 100000000, n)) return false;
       o.documents = static_cast<size_t>(n);
       return true;
     }},
    {"--name", "",
     [](ServerOptions& o, const char* v) {
       o.baseName = v;
       return true;
     }},
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
