#pragma once

#include <cstddef>
#include <string>

#include "server/SorrelServer.h"

// The sorrel-server command line, read into what the program is to do:
// serve, write a generated base, print its usage, or refuse the line.
struct ServerOptions {
  enum class Action {
    kServe,         // start the server with `server`
    kGenerateBase,  // write `documents` documents named `baseName` into `generateFolder`
    kHelp,          // print kUsage and stop
    kVersion,       // print the library's name and version and stop
    kHashPassword,  // read a password, print its stored form for a users file
    kRefused,       // print `problem` and kUsage, stop with an error
  };

  // Documents of the bundled sample base, and of a generated one by default.
  static constexpr size_t kSampleDocuments = 2000;
  // The usage text, several lines ending in a line feed.
  static const char kUsage[];

  Action action = Action::kServe;
  SorrelServer::Options server;         // kServe: port 8080 unless given; users and bases as given
  std::string generateFolder;           // kGenerateBase: where the base goes
  std::string baseName = "SAMPLE";      // kGenerateBase: its name
  size_t documents = kSampleDocuments;  // kGenerateBase: how many documents
  std::string problem;                  // kRefused: what is wrong, e.g. "bad port"
  std::string sampleFolder;  // kServe without bases: where the sample base goes ("" default)
  std::string dataFolder;    // the bundled files' folder ("" to find them)

  // Reads the options of argv[1] to argv[argc - 1] (each but --help,
  // --version and --hash-password takes a value). Never fails: a line it
  // refuses comes back as kRefused. The first problem in the line's order
  // wins; "--help", "--version" and "--hash-password" end the reading.
  // With --generate-base the server's options are not checked further.
  static ServerOptions Parse(int argc, const char* const* argv);
};
