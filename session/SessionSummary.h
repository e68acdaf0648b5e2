#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "session/ServerEvent.h"

// The counts of a session, kept while it runs and handed to the sink at its
// end, with the sets, the files made and the exit status.
struct SessionSummary {
  // How often an event came, and its latest text.
  struct EventCount {
    int times = 0;
    std::string latestText;
  };

  std::string folder;                        // where the files went
  std::string transcript;                    // the transcript written; "" when none
  size_t lines = 0;                          // lines run (not blank, not comments)
  size_t refusedLines = 0;                   // not valid VERGER
  size_t serverRefusals = 0;                 // questions and requests the server refused
  size_t unsupported = 0;                    // commands without a server operation
  size_t printed = 0, kept = 0, shown = 0;   // documents
  std::vector<std::pair<int, long>> sets;    // every set: its number and hits
  std::vector<std::string> files;            // every file made, in order
  bool keptFile = false;                     // KEEP wrote kept.ktf
  bool keptContinued = false;                // ... after what an earlier session kept there
  std::map<std::string, EventCount> events;  // by event name
  int exitStatus = 0;

  // Counts `event`.
  void Count(const ServerEvent& event);
};
