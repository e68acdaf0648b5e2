#include "sgml/K2S_TemplateBuilder.h"

namespace {

// Takes ownership of a new[] string into a record field.
void Take(char*& slot, char* text) {
  delete[] slot;
  slot = text;
}

}  // namespace

const char* K2S_TemplateBuilder::OpenBlock() {
  if (m_depth >= kMaxDepth) return "Blocks nested deeper than 19 levels";
  tBlock block;
  block.index = m_counter;
  block.level = m_depth + 1;
  blocks->Add(block);
  ++m_depth;
  m_stack[m_depth] = m_counter;
  ++m_counter;
  return nullptr;
}

tBlock& K2S_TemplateBuilder::Innermost() const { return *blocks->GetAt(m_stack[m_depth]); }

void K2S_TemplateBuilder::SetLeader(char* name) { Take(Innermost().leaderName, name); }
void K2S_TemplateBuilder::SetExist(char* name) { Take(Innermost().existName, name); }
void K2S_TemplateBuilder::SetNotExist(char* name) { Take(Innermost().notExistName, name); }
void K2S_TemplateBuilder::SetBeginText(char* text) { Take(Innermost().beginText, text); }
void K2S_TemplateBuilder::SetEndText(char* text) { Take(Innermost().endText, text); }

void K2S_TemplateBuilder::CloseBlock() { --m_depth; }

bool K2S_TemplateBuilder::IsValidFormat(const char* format) {
  int values = 0;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == 's') {
      ++values;
    } else if (*p != '%') {
      return false;
    }
  }
  return values == 1;
}

const char* K2S_TemplateBuilder::AddField(char* name, int32_t allowEmpty, int32_t offset,
                                          int32_t length, char* format) {
  tBlock field;
  field.fieldName = name;
  field.format = format;
  if (!IsValidFormat(format)) return "A field format must hold exactly one %s";
  field.allowEmpty = allowEmpty;
  field.offset = offset;
  field.length = length;
  field.level = m_depth + 1;
  field.index = m_counter;
  blocks->Add(field);
  ++m_counter;
  return nullptr;
}

const char* K2S_TemplateBuilder::AddRule(tReplaceText& rule) {
  if (rule.searchText[0] == '\0') return "A search text or separator must not be empty";
  rules->Add(rule);
  return nullptr;
}

const char* K2S_TemplateBuilder::AddReplacement(char* field, char* search, char* replacement) {
  tReplaceText rule;
  rule.fieldName = field;
  rule.searchText = search;
  rule.replaceText = replacement;
  return AddRule(rule);
}

const char* K2S_TemplateBuilder::AddRepeat(char* field, char* separator) {
  tReplaceText rule;
  rule.fieldName = field;
  rule.searchText = separator;
  rule.newField = 1;
  return AddRule(rule);
}

const char* K2S_TemplateBuilder::AddSplit(char* field, char* separator, char* cut1, char* cut2,
                                          char* cut3) {
  tReplaceText rule;
  rule.fieldName = field;
  rule.searchText = separator;
  rule.cutName1 = cut1;
  rule.cutName2 = cut2;
  rule.cutName3 = cut3;
  return AddRule(rule);
}

void K2S_TemplateBuilder::Finish() {
  m_counter = 0;
  m_depth = 0;
}
