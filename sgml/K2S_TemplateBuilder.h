#pragma once

#include <cstdint>
#include <memory>

#include "sgml/cl_Table.h"
#include "sgml/tBlock.h"
#include "sgml/tReplaceText.h"

// What the template parser builds: the entry table (blocks and fields in
// document order, each with its nesting level) and the rule table. The parser
// calls one operation per construct it completes. The string arguments are
// new[] strings whose ownership passes to the builder in every case. An
// operation that refuses its construct answers the reason, which the parser
// reports before giving up; null means accepted. Allocation failures throw
// std::bad_alloc.
class K2S_TemplateBuilder {
 public:
  static constexpr int kMaxDepth = 19;  // deepest block nesting

  // `{`: appends a block entry one level below the current one.
  const char* OpenBlock();
  // LEADER, FIELD_EXIST, FIELD_NOT_EXIST, begin and end text of the innermost open block.
  void SetLeader(char* name);
  void SetExist(char* name);
  void SetNotExist(char* name);
  void SetBeginText(char* text);
  void SetEndText(char* text);
  // `}`.
  void CloseBlock();
  // A complete field; refuses a format that is not one %s (and %% for "%").
  const char* AddField(char* name, int32_t allowEmpty, int32_t offset, int32_t length,
                       char* format);
  // Rules; each refuses an empty search text or separator. `cut3` may be null.
  const char* AddReplacement(char* field, char* search, char* replacement);
  const char* AddRepeat(char* field, char* separator);
  const char* AddSplit(char* field, char* separator, char* cut1, char* cut2, char* cut3);
  // The end of the template.
  void Finish();

  // True when `format` holds exactly one %s and no conversion other than %%.
  static bool IsValidFormat(const char* format);

  // The tables built, which the caller may take over.
  std::unique_ptr<cl_Table<tBlock>> blocks = std::make_unique<cl_Table<tBlock>>();
  std::unique_ptr<cl_Table<tReplaceText>> rules = std::make_unique<cl_Table<tReplaceText>>();

 private:
  tBlock& Innermost() const;
  const char* AddRule(tReplaceText& rule);

  int32_t m_counter = 0;                // index of the next entry
  int32_t m_depth = 0;                  // blocks open
  int32_t m_stack[kMaxDepth + 1] = {};  // entry index of the open block per depth
};
