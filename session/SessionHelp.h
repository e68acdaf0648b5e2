#pragma once

#include <string>
#include <vector>

#include "translator/VergerTypes.h"

// The session's own help, shown by HELP without a topic: each command the
// translator accepts with one line, the operators, proximity, truncation and
// comparison forms, the fields of the base searched, where strategies go and
// how to leave. Plain text, no traffic.
class SessionHelp {
 public:
  // One command as the help lists it.
  struct Command {
    VERGER_COMMAND_TYPE type;
    const char* words;      // its spellings: "..PRINT (..PR)"
    const char* arguments;  // what follows it
    const char* what;       // what it does, in one line
  };

  // The commands, in the order the help lists them.
  static const std::vector<Command>& Commands();
  // The help's lines for base `base` with `fields` (empty when the server did
  // not say), strategies kept in `strategyFolder`.
  static std::vector<std::string> Lines(const std::string& base,
                                        const std::vector<std::string>& fields,
                                        const std::string& strategyFolder);
};
