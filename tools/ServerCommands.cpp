#include <cstdio>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "session/LineEncoding.h"
#include "session/ServerConnection.h"
#include "session/ServerReply.h"
#include "session/TransportFailure.h"
#include "session/Windows1252.h"
#include "tools/CommandRegistry.h"
#include "tools/ServerOptions.h"
#include "tools/TerminalText.h"

// The commands that talk to a search server through a session: login,
// bases, info, query, check and file. Each prints every session event on
// standard error, the answer on standard output, and exits with the
// status of session/ServerReply.h. A question or file name goes from the
// locale's codeset to the server's windows-1252; the server's text reaches
// the terminal in the locale's codeset through TerminalText; --json gives it
// as UTF-8, escaped.
namespace {

// The status of an argument the server's code page cannot carry, as for a
// line refused by `sorrel translate`.
constexpr int kRefusedArgument = 2;

struct QueryOptions {
  ServerOptions server;
  std::string base;      // database name
  std::string question;  // the search question, in the server's form
  std::string file;      // a text file of the base
  int from = 1;          // first record
  int count = 10;        // records wanted
};

// The text of the event that refused the login, "" when none did.
std::string Refusal(const ServerReply& reply) {
  for (const ServerEvent& event : reply.events) {
    if (event.RefusesLogin()) return event.text;
  }
  return "";
}

// The status the login request got from something that is no search server.
unsigned long LoginStatus(const ServerReply& reply) {
  for (const ServerEvent& event : reply.events) {
    if (event.kind == ServerEvent::Kind::kErrorCode) return event.status;
  }
  return 0;
}

// Words of the server for one line: without the line breaks that end them,
// and the characters a terminal would obey made visible.
std::string ServerWords(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return TerminalText::ShownLine(text);
}

// Why nothing arrived, in a line; the server's words in it made visible.
std::string FailureMessage(const ServerOptions& options, const ServerReply& reply,
                           const char* what) {
  using Outcome = ServerReply::Outcome;
  std::string message;
  switch (reply.outcome) {
    case Outcome::kNotXml:
      message = "the server's login answer is not well-formed XML (" +
                ServerWords(reply.failure) + ")";
      break;
    case Outcome::kNoAnswer:
      message = "no answer from the server at " + options.url + ": " +
                TransportFailure::From(reply.failure).words;
      break;
    case Outcome::kLoginRefused:
      message = "authentication refused" +
                (Refusal(reply).empty() ? std::string()
                                        : ": " + ServerWords(Refusal(reply)));
      break;
    case Outcome::kNoServer:
      message = "no search server at " + options.url + " (the login request got status " +
                std::to_string(LoginStatus(reply)) + ")";
      break;
    default:
      message = std::string(what) == "question"
                    ? "the server refused the question"
                    : std::string("the server refused to deliver the ") + what;
      // Made visible before the conversion, which would turn C1 bytes into
      // characters a UTF-8 terminal obeys as controls.
      if (!reply.failure.empty()) {
        message += ": " + Windows1252ToUtf8(ServerWords(reply.failure));
      }
      break;
  }
  return message;
}

const LineEncoding& Encoding() {
  static const LineEncoding encoding;
  return encoding;
}

// A question or file name from the command line in the server's code page;
// false, with the character named on standard error, when it cannot be.
bool ForServer(std::string& argument) {
  std::string refusal;
  const std::optional<std::string> utf8 = Encoding().FromUser(argument, refusal);
  const std::optional<std::string> sent =
      utf8 ? Encoding().ForServer(*utf8, refusal) : std::nullopt;
  if (!sent) {
    std::fprintf(stderr, "sorrel: %s\n", refusal.c_str());
    return false;
  }
  argument = *sent;
  return true;
}

// Prints the answer (or a JSON object), or a clear message; the exit status.
int Report(const ServerOptions& options, const char* what, const ServerReply& reply) {
  const int status = reply.ExitStatus();
  if (options.json) {
    std::vector<std::string> events;
    for (const ServerEvent& event : reply.events) events.push_back(event.Name());
    nlohmann::json result = {
        {"url", options.url}, {"ok", reply.delivered()}, {"exit", status}, {"events", events}};
    if (reply.delivered()) {
      result["body"] = Windows1252ToUtf8(reply.body);
    } else {
      result["error"] = FailureMessage(options, reply, what);
    }
    if (reply.outcome == ServerReply::Outcome::kNoAnswer) {
      const TransportFailure failure = TransportFailure::From(reply.failure);
      result["failure"] = failure.text;
      if (failure.code != 0) result["failure_code"] = failure.code;
    }
    std::cout << result.dump() << '\n';
  } else if (reply.delivered()) {
    std::cout << Encoding().ForUser(TerminalText::ShownUtf8(Windows1252ToUtf8(reply.body)));
    if (!reply.body.empty() && reply.body.back() != '\n') std::cout << '\n';
  } else {
    std::fprintf(stderr, "sorrel: %s\n", FailureMessage(options, reply, what).c_str());
  }
  return status;
}

// Runs `operation` on a session with the options' server (said goodbye to
// before the report) and reports its reply.
int RunOnServer(const ServerOptions& options, const char* what,
                const std::function<ServerReply(ServerConnection&)>& operation) {
  ServerReply reply;
  {
    // The report says why an operation failed: events that only say so
    // again, and the login's own steps, are not printed as they come.
    ServerConnection connection(
        options.url, TerminalCredentials(options), [](const ServerEvent& event) {
          using Kind = ServerEvent::Kind;
          if (event.RefusesLogin() || event.kind == Kind::kConnectionFailed ||
              event.kind == Kind::kErrorCode || event.kind == Kind::kLoginRequested ||
              event.kind == Kind::kLoggedIn) {
            return;
          }
          std::fprintf(stderr, "sorrel: %s\n", ServerWords(event.text).c_str());
        });
    reply = operation(connection);
  }
  return Report(options, what, reply);
}

CLI::App* AddCommand(CLI::App& app, const char* name, const char* help, QueryOptions& options) {
  CLI::App* command = app.add_subcommand(name, help);
  AddServerOptions(*command, options.server);
  return command;
}

void AddLogin(CLI::App& app, int& exitCode) {
  static QueryOptions login;
  AddCommand(app, "login", "Log in to a search server and report the account's condition", login)
      ->callback([&exitCode] {
        exitCode = RunOnServer(login.server, "login", [](ServerConnection& connection) {
          ServerReply reply = connection.Login();
          if (reply.delivered()) reply.body = "logged in";
          return reply;
        });
      });
}

void AddBases(CLI::App& app, int& exitCode) {
  static QueryOptions bases;
  AddCommand(app, "bases", "List the databases of a search server", bases)->callback([&exitCode] {
    exitCode = RunOnServer(bases.server, "database list",
                           [](ServerConnection& connection) { return connection.DatabaseList(); });
  });
}

void AddInfo(CLI::App& app, int& exitCode) {
  static QueryOptions info;
  CLI::App* command = AddCommand(app, "info", "Information about one database", info);
  command->add_option("BASE", info.base, "database name")->required();
  command->callback([&exitCode] {
    exitCode = RunOnServer(info.server, "database information", [](ServerConnection& connection) {
      ServerReply reply = connection.BaseInfo(info.base);
      if (reply.outcome == ServerReply::Outcome::kOtherStatus) {
        reply.failure = connection.BaseInfoRefusalReason(info.base);
      }
      return reply;
    });
  });
}

void AddQuery(CLI::App& app, int& exitCode) {
  static QueryOptions query;
  CLI::App* command = AddCommand(app, "query", "Run a search question", query);
  command->add_option("BASE", query.base, "database name")->required();
  command->add_option("QUESTION", query.question, "the question")->required();
  command->add_option("--from", query.from, "first record, from 1");
  command->add_option("--count", query.count, "number of records");
  command->callback([&exitCode] {
    if (!ForServer(query.question)) {
      exitCode = kRefusedArgument;
      return;
    }
    exitCode = RunOnServer(query.server, "question", [](ServerConnection& connection) {
      ServerReply reply = connection.Query(query.base, query.question, query.from, query.count);
      if (reply.outcome == ServerReply::Outcome::kOtherStatus) {
        reply.failure = connection.RefusalReason(query.base, query.question, true);
      }
      return reply;
    });
  });
}

void AddCheck(CLI::App& app, int& exitCode) {
  static QueryOptions check;
  CLI::App* command = AddCommand(app, "check", "Check a search question without running it", check);
  command->add_option("BASE", check.base, "database name")->required();
  command->add_option("QUESTION", check.question, "the question")->required();
  command->callback([&exitCode] {
    if (!ForServer(check.question)) {
      exitCode = kRefusedArgument;
      return;
    }
    exitCode = RunOnServer(check.server, "question", [](ServerConnection& connection) {
      ServerReply reply = connection.Check(check.base, check.question);
      if (reply.outcome == ServerReply::Outcome::kOtherStatus) {
        reply.failure = connection.RefusalReason(check.base, check.question, false);
      }
      return reply;
    });
  });
}

void AddFile(CLI::App& app, int& exitCode) {
  static QueryOptions file;
  CLI::App* command = AddCommand(app, "file", "Fetch a text file of a database", file);
  command->add_option("BASE", file.base, "database name")->required();
  command->add_option("FILE", file.file, "file name")->required();
  command->callback([&exitCode] {
    if (!ForServer(file.file)) {
      exitCode = kRefusedArgument;
      return;
    }
    exitCode = RunOnServer(file.server, "file", [](ServerConnection& connection) {
      ServerReply reply = connection.TextFile(file.base, file.file);
      if (reply.outcome == ServerReply::Outcome::kOtherStatus) {
        reply.failure = connection.FileRefusalReason(file.base, file.file);
      }
      return reply;
    });
  });
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  AddLogin(app, exitCode);
  AddBases(app, exitCode);
  AddInfo(app, exitCode);
  AddQuery(app, exitCode);
  AddCheck(app, exitCode);
  AddFile(app, exitCode);
});

}  // namespace
