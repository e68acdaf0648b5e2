#include <string>

#include "net/InternetAccessController.h"
#include "platform/CMapStringToString.h"
#include "tools/CommandRegistry.h"
#include "tools/ServerOptions.h"

// The commands that talk to a search server through a session: login,
// bases, info, query, check and file. Each prints every session event on
// standard error; see ServerClient.h for the exit status.
namespace {

struct QueryOptions {
  ServerOptions server;
  std::string base;      // database name
  std::string question;  // the search question, in the server's form
  std::string file;      // a text file of the base
  int from = 1;          // first record
  int count = 10;        // records wanted
};

CLI::App* AddCommand(CLI::App& app, const char* name, const char* help, QueryOptions& options) {
  CLI::App* command = app.add_subcommand(name, help);
  AddServerOptions(*command, options.server);
  return command;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  static QueryOptions login, bases, info, query, check, file;

  AddCommand(app, "login", "Log in to a search server and report the account's condition", login)
      ->callback([&exitCode] {
        exitCode = RunServerOperation(
            login.server, "login",
            [](InternetAccessController& controller, IacListener& listener, CString& output) {
              if (!controller.TestConnection(listener)) return false;
              output = "logged in";
              return true;
            });
      });

  AddCommand(app, "bases", "List the databases of a search server", bases)->callback([&exitCode] {
    exitCode = RunServerOperation(
        bases.server, "database list",
        [](InternetAccessController& controller, IacListener& listener, CString& output) {
          output = kUndelivered;
          controller.GetDatabaseListAsXml(output, listener);
          return Delivered(output);
        });
  });

  CLI::App* infoCommand = AddCommand(app, "info", "Information about one database", info);
  infoCommand->add_option("BASE", info.base, "database name")->required();
  infoCommand->callback([&exitCode] {
    exitCode = RunServerOperation(
        info.server, "database information",
        [](InternetAccessController& controller, IacListener& listener, CString& output) {
          CString url = info.server.url.c_str();
          CString base = info.base.c_str();
          output = kUndelivered;
          controller.GetBaseInfo(url, base, output, listener);
          return Delivered(output);
        });
  });

  CLI::App* queryCommand = AddCommand(app, "query", "Run a search question", query);
  queryCommand->add_option("BASE", query.base, "database name")->required();
  queryCommand->add_option("QUESTION", query.question, "the question")->required();
  queryCommand->add_option("--from", query.from, "first record, from 1");
  queryCommand->add_option("--count", query.count, "number of records");
  queryCommand->callback([&exitCode] {
    exitCode = RunServerOperation(
        query.server, "answer",
        [](InternetAccessController& controller, IacListener& listener, CString& output) {
          CString base = query.base.c_str();
          CString question = query.question.c_str();
          CMapStringToString parameters;
          output = kUndelivered;
          controller.ExecuteQuery(base, question, parameters, query.from, query.count, output,
                                  listener);
          return Delivered(output);
        });
  });

  CLI::App* checkCommand =
      AddCommand(app, "check", "Check a search question without running it", check);
  checkCommand->add_option("BASE", check.base, "database name")->required();
  checkCommand->add_option("QUESTION", check.question, "the question")->required();
  checkCommand->callback([&exitCode] {
    exitCode = RunServerOperation(
        check.server, "check",
        [](InternetAccessController& controller, IacListener& listener, CString& output) {
          CString base = check.base.c_str();
          CString question = check.question.c_str();
          CMapStringToString parameters;
          output = kUndelivered;
          controller.ParseQuery(base, question, parameters, output, listener);
          return Delivered(output);
        });
  });

  CLI::App* fileCommand = AddCommand(app, "file", "Fetch a text file of a database", file);
  fileCommand->add_option("BASE", file.base, "database name")->required();
  fileCommand->add_option("FILE", file.file, "file name")->required();
  fileCommand->callback([&exitCode] {
    exitCode = RunServerOperation(
        file.server, "file",
        [](InternetAccessController& controller, IacListener& listener, CString& output) {
          CString url = file.server.url.c_str();
          CString base = file.base.c_str();
          CString name = file.file.c_str();
          return controller.GetTextFile(url, base, name, output, listener);
        });
  });
});

}  // namespace
