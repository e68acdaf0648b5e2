#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/DocumentExporter.h"

// What one line of a session came to, as a value: its kind and the fields
// that kind fills (others stay empty), and `error` when it failed. The text
// lines that go with it reach the sink as they are made.
struct LineResult {
  enum class Kind {
    kRefused,  // not valid VERGER
    kSearch,
    kPrint,
    kKeep,
    kBrowse,
    kErase,
    kHistory,
    kInformation,
    kFields,
    kHelp,
    kStop,
    kUnsupported,  // valid, but the server has no operation for it
    kSave,         // SAVE, FILE NAME SV: a strategy saved
    kExecute,      // EXECUTE: a strategy run again
    kFile,         // FILE NAME BEGIN, STAT, ER
    kIndex,        // INDEX: the words of a field
    kEnded,        // valid, but it needs the server and the session has ended: nothing sent
  };

  // A document that PRINT turned into files.
  struct Printed {
    int position = 0;  // in its set
    DocumentExporter::Result files;
  };

  // A set as HISTORY lists it.
  struct HistorySet {
    int set = 0;
    long hits = 0;
    std::string expression;
  };

  // A question of a strategy run again by EXECUTE.
  struct Executed {
    int number = 0;          // its place in the strategy, from 1
    int savedSet = 0;        // the set it made when it was saved
    std::string line;        // as run: its set references renumbered
    std::optional<int> set;  // the set it made now
    long hits = 0;
    std::optional<std::string> error;  // why it made no set
  };

  std::string line;  // as read, without its CR
  Kind kind = Kind::kRefused;
  std::optional<std::string> error;  // why the line failed; the latest reason

  std::optional<std::string> expression;  // SEARCH: the translated question
  std::optional<std::string> question;    // SEARCH: the question as the server checked it
  std::optional<int> set;                 // SEARCH: the new set; PRINT, KEEP, BROWSE: the set used
  std::optional<long> hits;               // SEARCH
  std::optional<std::vector<int>> missing;       // positions past the set's end
  std::optional<std::vector<Printed>> printed;   // PRINT
  std::optional<std::vector<std::string>> kept;  // KEEP: publication numbers
  std::optional<std::string> file;               // KEEP: the file written
  std::optional<int> position;                   // BROWSE
  std::optional<std::vector<std::pair<std::string, std::string>>>
      document;                                    // BROWSE: first value of each field
  std::optional<std::vector<int>> erased;          // ERASE: the sets erased now
  std::optional<std::vector<HistorySet>> sets;     // HISTORY
  std::optional<std::string> text;                 // HELP
  std::optional<std::vector<std::string>> fields;  // FIELDS, INFORMATION
  std::optional<std::string> baseDocuments;        // INFORMATION: the base's size
  std::optional<std::vector<std::string>> files;   // INFORMATION: the base's files
  std::optional<std::string> strategy;      // SAVE, EXECUTE, FILE SV/ER, STOP: the strategy's name
  std::optional<std::string> strategyFile;  // ... and its file
  std::optional<std::vector<Executed>> executed;                   // EXECUTE
  std::optional<std::string> base;                                 // FILE: the base named
  std::optional<std::vector<std::pair<std::string, long>>> terms;  // INDEX: words, documents
  std::vector<std::string> notices;  // what the line changed or looked mistyped (said once)

  // The kind's name in the programs' output: "search", "print", ...
  const char* KindName() const;
};
