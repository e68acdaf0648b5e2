#include "translator/KTF_COMMAND.h"

#include <cstring>
#include <new>

#include "translator/TranslatorBuffers.h"

namespace {

// A copy of an owned string; null when the source is null or memory runs out.
char* duplicate(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t length = std::strlen(text);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}

}  // namespace

KTF_COMMAND::KTF_COMMAND()
    : type(CMD_NONE),
      stop_save(0),
      file_name{},
      file_mode(0),
      expression(nullptr),
      exec_from(0),
      exec_name{},
      erase_mode(0),
      erase_list(TranslatorBuffers::shared().numberList),
      erase_count(0),
      keep_list(TranslatorBuffers::shared().numberList),
      keep_count(0),
      index_field(nullptr),
      index_term(nullptr),
      browse_number(0),
      print_list(TranslatorBuffers::shared().numberList),
      print_count(0),
      save_se(0),
      save_name{},
      help_topic(nullptr) {}

KTF_COMMAND::KTF_COMMAND(const KTF_COMMAND& other) : KTF_COMMAND() { *this = other; }

KTF_COMMAND& KTF_COMMAND::operator=(const KTF_COMMAND& other) {
  if (this == &other) return *this;
  freeOwned();
  type = other.type;
  stop_save = other.stop_save;
  std::memcpy(file_name, other.file_name, sizeof file_name);
  file_mode = other.file_mode;
  expression = other.expression;
  exec_from = other.exec_from;
  std::memcpy(exec_name, other.exec_name, sizeof exec_name);
  erase_mode = other.erase_mode;
  erase_list = other.erase_list;
  erase_count = other.erase_count;
  keep_list = other.keep_list;
  keep_count = other.keep_count;
  index_field = duplicate(other.index_field);
  index_term = duplicate(other.index_term);
  browse_number = other.browse_number;
  print_list = other.print_list;
  print_count = other.print_count;
  save_se = other.save_se;
  std::memcpy(save_name, other.save_name, sizeof save_name);
  help_topic = duplicate(other.help_topic);
  return *this;
}

KTF_COMMAND::~KTF_COMMAND() { freeOwned(); }

void KTF_COMMAND::freeOwned() {
  delete[] index_field;
  delete[] index_term;
  delete[] help_topic;
  index_field = nullptr;
  index_term = nullptr;
  help_topic = nullptr;
}
