#pragma once

#include <cstdint>

#include "platform/Export.h"
#include "translator/VergerTypes.h"

// The back-end command that VERGER_MODE::command fills: the command kind and
// one group of fields per kind. A command sets only its own group; the other
// fields keep their earlier values. The list pointers and `expression` point
// into the translator's library-wide storage and show the latest command that
// wrote it; index_field, index_term and help_topic are owned by the record.
class SORREL_EXPORT KTF_COMMAND {
 public:
  static constexpr int kNameSize = 128;  // bytes of file_name, exec_name and save_name

  // All integers 0, texts empty, pointers null, list pointers at the shared number list.
  KTF_COMMAND();
  // Copies duplicate the owned strings; the pointers into library storage are shared.
  KTF_COMMAND(const KTF_COMMAND& other);
  KTF_COMMAND& operator=(const KTF_COMMAND& other);
  // Frees the owned strings.
  ~KTF_COMMAND();

  VERGER_COMMAND_TYPE type;   // the command kind
  int32_t stop_save;          // STOP: 1 = no argument or SV, 0 = END
  char file_name[kNameSize];  // FILE: the file name
  int32_t file_mode;          // FILE: 0 = SV, 1 = ER, 2 = BEGIN, 3 = STAT
  char* expression;           // SEARCH: translated expression, library storage, not owned
  int32_t exec_from;          // EXECUTE: the number argument; 1 when none is given
  char exec_name[kNameSize];  // EXECUTE: the name after FROM; empty when none
  int32_t erase_mode;         // ERASE: 0 = SSZERO, 1 = ALL, 2 = numbers
  int32_t* erase_list;        // ERASE: the numbers, in the shared number list
  int32_t erase_count;        // ERASE: how many numbers
  int32_t* keep_list;         // KEEP: the numbers, in the shared number list
  int32_t keep_count;         // KEEP: how many numbers
  char* index_field;          // INDEX: first argument without a leading "/"; owned
  char* index_term;           // INDEX: second argument as typed; owned
  int32_t browse_number;      // BROWSE: the number argument; -1 when none is given
  int32_t* print_list;        // PRINT: the numbers, in the shared number list
  int32_t print_count;        // PRINT: how many numbers
  int32_t save_se;            // SAVE: 1 when the first argument is SE, else 0
  char save_name[kNameSize];  // SAVE: the last argument
  char* help_topic;           // HELP: the topic; owned; null when none

 private:
  void freeOwned();
};
