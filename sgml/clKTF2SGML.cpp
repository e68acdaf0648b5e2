#include "sgml/clKTF2SGML.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "ktf/KtfDocument.h"
#include "sgml/K2S_OutputFile.h"
#include "sgml/K2S_Strings.h"
#include "sgml/K2S_TemplateBuilder.h"
#include "sgml/K2S_TemplateParser.h"
#include "sgml/yy_K2S_scan.h"

namespace {

// True when `text` at `position` begins with `search`; the end of the text is a mismatch.
bool MatchesAt(const char* text, size_t position, const char* search) {
  for (size_t i = 0; search[i] != '\0'; ++i) {
    if (text[position + i] == '\0' || text[position + i] != search[i]) return false;
  }
  return true;
}

bool SameName(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

}  // namespace

clKTF2SGML::clKTF2SGML() = default;

clKTF2SGML::clKTF2SGML(const clKTF2SGML& other) { flKTF2SGML_CopyFrom(other); }

clKTF2SGML& clKTF2SGML::operator=(const clKTF2SGML& other) {
  if (this != &other) flKTF2SGML_CopyFrom(other);
  return *this;
}

clKTF2SGML::~clKTF2SGML() {
  delete m_listener;
  flKTF2SGML_Release();
}

void clKTF2SGML::flKTF2SGML_Release() {
  delete[] m_sgmlPath;
  delete m_blocks;
  delete m_rules;
  delete m_data;
  m_sgmlPath = nullptr;
  m_blocks = nullptr;
  m_rules = nullptr;
  m_data = nullptr;
}

void clKTF2SGML::flKTF2SGML_CopyFrom(const clKTF2SGML& other) {
  // Everything is copied before anything is replaced, so a failed copy
  // leaves this converter as it was.
  std::unique_ptr<char[]> path(k2s::Duplicate(other.m_sgmlPath));
  std::unique_ptr<cl_Table<tBlock>> blocks(
      other.m_blocks == nullptr ? nullptr : new cl_Table<tBlock>(*other.m_blocks));
  std::unique_ptr<cl_Table<tReplaceText>> rules(
      other.m_rules == nullptr ? nullptr : new cl_Table<tReplaceText>(*other.m_rules));
  std::unique_ptr<cl_Table<tKtfField>> data(
      other.m_data == nullptr ? nullptr : new cl_Table<tKtfField>(*other.m_data));
  std::string templateError = other.m_templateError;
  flKTF2SGML_Release();
  m_sgmlPath = path.release();
  m_blocks = blocks.release();
  m_rules = rules.release();
  m_data = data.release();
  m_templateError = std::move(templateError);
  m_templateErrorLine = other.m_templateErrorLine;
}

void clKTF2SGML::SetKtfToSgmlListener(KtfToSgmlListener* listener) { m_listener = listener; }

// ---------------------------------------------------------------- template

K2S_Return clKTF2SGML::fgKTF2SGML_RecoverTemplate(const char* templatePath, const char* sgmlPath) {
  if (m_blocks != nullptr) m_blocks->RemoveAll();
  if (m_rules != nullptr) m_rules->RemoveAll();
  try {
    k2s::Assign(m_sgmlPath, sgmlPath);
    return flKTF2SGML_GetTemplate(templatePath);
  } catch (const std::bad_alloc&) {
    return K2S_NO_MEMORY;
  }
}

K2S_Return clKTF2SGML::flKTF2SGML_GetTemplate(const char* templatePath) {
  m_templateError.clear();
  m_templateErrorLine = 0;
  const HFILE file = _lopen(templatePath, OF_READ);
  if (file == HFILE_ERROR) {
    m_templateError = "The template file cannot be opened";
    return K2S_OPEN_ERROR;
  }
  // The parse builds fresh tables, so a failed parse leaves nothing behind
  // and the next one starts from empty tables.
  auto builder = std::make_unique<K2S_TemplateBuilder>();
  yy_K2S_scan scan(file);
  bool parsed;
  try {
    parsed = K2S_ParseTemplate(scan, *builder);
  } catch (...) {
    _lclose(file);
    throw;
  }
  _lclose(file);
  if (!parsed) {
    m_templateError = scan.message().empty() ? "Syntax error" : scan.message();
    m_templateErrorLine = scan.line();
    return K2S_TEMPLATE_ERROR;
  }
  delete m_blocks;
  delete m_rules;
  m_blocks = builder->blocks.release();
  m_rules = builder->rules.release();
  return K2S_OK;
}

// ---------------------------------------------------------------- insertion

K2S_Return clKTF2SGML::fgKTF2SGML_NewDocument() {
  if (m_data != nullptr) m_data->RemoveAll();
  return K2S_OK;
}

K2S_Return clKTF2SGML::fgKTF2SGML_InsertKTFData(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return K2S_OK;
  try {
    return flKTF2SGML_Insert(name, value);
  } catch (const std::bad_alloc&) {
    return K2S_NO_MEMORY;
  }
}

K2S_Return clKTF2SGML::flKTF2SGML_Insert(const char* name, const char* value) {
  if (m_data == nullptr) m_data = new cl_Table<tKtfField>();
  tKtfField working(name, nullptr);
  char* text = nullptr;
  K2S_Return status = flKTF2SGML_ReplaceText(text, value, name);
  std::unique_ptr<char[]> owned(text);
  if (status != K2S_OK) return status;
  const uint32_t before = m_data->GetCount();
  status = flKTF2SGML_CreateField(working, owned.get());
  if (status != K2S_OK) return status;
  const uint32_t after = m_data->GetCount();
  // Sub-fields made by split rules go through their own rules once more; what
  // that appends lies beyond `after` and is not visited again.
  for (uint32_t i = before; i < after; ++i) {
    const tKtfField* entry = m_data->GetAt(i);
    if (std::strcmp(entry->name, name) == 0) continue;
    owned.reset();
    status = flKTF2SGML_ReplaceText(text, entry->value, entry->name);
    owned.reset(text);
    if (status != K2S_OK) return status;
    k2s::Assign(working.name, entry->name);
    status = flKTF2SGML_CreateField(working, owned.get());
    if (status != K2S_OK) return status;
  }
  return K2S_OK;
}

K2S_Return clKTF2SGML::fgKTF2SGML_InsertImageParam(const char* id, const char* height,
                                                   const char* width, const char* x, const char* y,
                                                   const char* prefix) {
  const std::string base = prefix == nullptr ? "" : prefix;
  const struct {
    const char* suffix;  // appended to the prefix
    const char* value;   // the parameter
  } parameters[] = {{"ID", id}, {"HE", height}, {"WI", width}, {"LX", x}, {"LY", y}};
  K2S_Return status = K2S_OK;
  try {
    for (const auto& parameter : parameters) {
      const std::string name = base + parameter.suffix;
      status = fgKTF2SGML_InsertKTFData(name.c_str(), parameter.value);
      if (status != K2S_OK) return status;
    }
  } catch (const std::bad_alloc&) {
    return K2S_NO_MEMORY;
  }
  return status;
}

K2S_Return clKTF2SGML::fgKTF2SGML_InsertDocument(const KtfDocument& document) {
  try {
    std::array<std::string, 5> words;
    for (const auto& [code, value] : document) {
      const K2S_Return status =
          code == "FP" && KtfDocument::PageWords(value, words)
              ? fgKTF2SGML_InsertImageParam(words[0].c_str(), words[1].c_str(), words[2].c_str(),
                                            words[3].c_str(), words[4].c_str(), "IMG")
              : fgKTF2SGML_InsertKTFData(code.c_str(), value.c_str());
      if (status != K2S_OK) return status;
    }
  } catch (const std::bad_alloc&) {
    return K2S_NO_MEMORY;
  }
  return K2S_OK;
}

K2S_Return clKTF2SGML::flKTF2SGML_ReplaceText(char*& result, const char* text,
                                              const char* fieldName) {
  if (text == nullptr) {
    result = nullptr;
    return K2S_OK;
  }
  if (m_rules == nullptr) {
    result = k2s::Duplicate(text);
    return K2S_OK;
  }
  const uint32_t count = m_rules->GetCount();
  const size_t length = std::strlen(text);
  // Two walks with the same steps: the first measures, the second fills.
  char* out = nullptr;
  size_t size = 0;
  for (int pass = 0; pass < 2; ++pass) {
    size_t o = 0;
    for (size_t p = 0; p < length; ++p) {
      bool matched = false;
      for (uint32_t r = 0; r < count; ++r) {
        const tReplaceText* rule = m_rules->GetAt(r);
        if (rule->newField == 1 || rule->cutName1 != nullptr) continue;
        if (rule->fieldName != nullptr && std::strcmp(rule->fieldName, fieldName) != 0) continue;
        if (!MatchesAt(text, p, rule->searchText)) continue;
        const size_t replacementLength = std::strlen(rule->replaceText);
        if (out != nullptr) std::memcpy(out + o, rule->replaceText, replacementLength);
        o += replacementLength;
        p += std::strlen(rule->searchText) - 1;
        matched = true;
      }
      if (!matched) {
        if (out != nullptr) out[o] = text[p];
        ++o;
      }
    }
    if (out == nullptr) {
      size = o;
      out = new char[size + 1];
    }
  }
  out[size] = '\0';
  result = out;
  return K2S_OK;
}

void clKTF2SGML::flKTF2SGML_Append(const char* name, const char* value, size_t length) {
  const std::string piece(value, length);
  m_data->Add(tKtfField(name, piece.c_str()));
}

K2S_Return clKTF2SGML::flKTF2SGML_CreateField(const tKtfField& field, const char* text) {
  if (text == nullptr) return K2S_OK;
  const char* name = field.name;
  const size_t length = std::strlen(text);
  if (m_rules == nullptr) {
    flKTF2SGML_Append(name, text, length);
    return K2S_OK;
  }
  const uint32_t count = m_rules->GetCount();
  for (uint32_t r = 0; r < count; ++r) {
    const tReplaceText* rule = m_rules->GetAt(r);
    if (rule->cutName1 == nullptr || !SameName(rule->fieldName, name)) continue;
    const char* first = std::strstr(text, rule->searchText);
    if (first == nullptr) continue;
    const size_t separator = std::strlen(rule->searchText);
    flKTF2SGML_Append(rule->cutName1, text, static_cast<size_t>(first - text));
    const char* rest = first + separator;
    const char* second = std::strstr(rest, rule->searchText);
    if (second != nullptr && rule->cutName3 != nullptr) {
      flKTF2SGML_Append(rule->cutName2, rest, static_cast<size_t>(second - rest));
      flKTF2SGML_Append(rule->cutName3, second + separator, std::strlen(second + separator));
    } else {
      flKTF2SGML_Append(rule->cutName2, rest, std::strlen(rest));
    }
  }
  bool repeated = false;
  for (uint32_t r = 0; r < count; ++r) {
    const tReplaceText* rule = m_rules->GetAt(r);
    if (rule->newField != 1 || !SameName(rule->fieldName, name)) continue;
    repeated = true;
    const size_t separator = std::strlen(rule->searchText);
    const char* piece = text;
    for (const char* found; (found = std::strstr(piece, rule->searchText)) != nullptr;
         piece = found + separator) {
      flKTF2SGML_Append(name, piece, static_cast<size_t>(found - piece));
    }
    flKTF2SGML_Append(name, piece, std::strlen(piece));
  }
  if (!repeated) flKTF2SGML_Append(name, text, length);
  return K2S_OK;
}

K2S_Return clKTF2SGML::flKTF2SGML_IsEmptyDocument() const {
  if (m_data == nullptr || m_data->GetCount() == 0) return K2S_NO_DATA;
  if (m_currentBlocks == nullptr || m_currentBlocks->GetCount() == 0) return K2S_NO_TEMPLATE;
  return K2S_OK;
}

// ---------------------------------------------------------------- writing

K2S_Return clKTF2SGML::fgKTF2SGML_BuildSGMLFile() {
  if (m_blocks != nullptr) flKTF2SGML_InitDocument(m_blocks);
  const K2S_Return opened = flKTF2SGML_OpenSgmlFile(m_sgmlPath);
  if (opened != K2S_OK) return opened;
  const K2S_Return walked = fgKTF2SGML_CreateSGMLDocument();
  const K2S_Return closed = flKTF2SGML_CloseSgmlFile();
  if (walked != K2S_OK) return walked;
  if (closed != K2S_OK) return closed;
  return m_status;
}

void clKTF2SGML::flKTF2SGML_InitDocument(cl_Table<tBlock>* table) {
  for (uint32_t i = 0; i < table->GetCount(); ++i) {
    table->GetAt(i)->cursor = 0;
    table->GetAt(i)->opened = 0;
  }
}

K2S_Return clKTF2SGML::flKTF2SGML_OpenSgmlFile(const char* path) {
  if (path == nullptr) return K2S_OPEN_ERROR;
  if (!m_output) m_output = std::make_unique<K2S_OutputFile>();
  return m_output->Open(path) ? K2S_OK : K2S_OPEN_ERROR;
}

K2S_Return clKTF2SGML::flKTF2SGML_CloseSgmlFile() {
  return !m_output || m_output->Close() ? K2S_OK : K2S_WRITE_ERROR;
}

bool clKTF2SGML::flKTF2SGML_Write(const char* text, size_t length) {
  return m_output && m_output->Write(text, length);
}

K2S_Return clKTF2SGML::fgKTF2SGML_CreateSGMLDocument() {
  try {
    return flKTF2SGML_Walk();
  } catch (const std::bad_alloc&) {
    return K2S_NO_MEMORY;
  }
}

K2S_Return clKTF2SGML::flKTF2SGML_Walk() {
  m_status = K2S_OK;
  m_currentLevel = 0;
  m_currentBlocks = m_blocks;
  const K2S_Return empty = flKTF2SGML_IsEmptyDocument();
  if (empty != K2S_OK) return empty;
  const int32_t count = static_cast<int32_t>(m_currentBlocks->GetCount());
  for (int32_t i = 0; i < count; ++i) {
    tBlock* entry = m_currentBlocks->GetAt(static_cast<uint32_t>(i));
    if (entry->fieldName == nullptr) {
      i = flKTF2SGML_TreateBlock(entry);
      if (m_status != K2S_OK) return m_status;
    } else {
      const K2S_Return printed = flKTF2SGML_TreatField(entry);
      if (printed != K2S_OK) return printed;
    }
  }
  // Repetitions found here have nothing left to walk: the calls only close.
  while (flKTF2SGML_WriteTextEnd(1) != 0) {
  }
  return K2S_OK;
}

int64_t clKTF2SGML::flKTF2SGML_FindData(const char* name, uint32_t from) const {
  const uint32_t count = m_data->GetCount();
  for (uint32_t i = from; i < count; ++i) {
    if (std::strcmp(m_data->GetAt(i)->name, name) == 0) return i;
  }
  return -1;
}

K2S_Return clKTF2SGML::flKTF2SGML_TreatField(tBlock* field) {
  if (m_currentLevel >= field->level) {
    for (int32_t lv = m_currentLevel; lv >= field->level; --lv) {
      tBlock* block = m_currentBlocks->GetAt(static_cast<uint32_t>(m_levelStack[lv]));
      if (block->opened == 0) continue;
      if (block->endText != nullptr &&
          !flKTF2SGML_Write(block->endText, std::strlen(block->endText))) {
        // The walk goes on; the status shows the failure after the next block entry.
        m_status = K2S_WRITE_ERROR;
        return K2S_OK;
      }
      block->opened = 0;
    }
    m_currentLevel = field->level - 1;
  }
  const int64_t found = flKTF2SGML_FindData(field->fieldName, field->cursor);
  if (found < 0) return K2S_OK;
  field->cursor = static_cast<uint32_t>(found + 1);
  const char* value = m_data->GetAt(static_cast<uint32_t>(found))->value;
  if (field->allowEmpty == 0 && value[0] == '\0') return K2S_OK;
  const K2S_Return opened = flKTF2SGML_WriteBeginText(m_currentLevel);
  if (opened != K2S_OK) return opened;

  // The printed part: `offset` characters in (an offset past the end leaves
  // nothing), then at most `length` characters unless length is -1.
  const size_t valueLength = std::strlen(value);
  const size_t start = std::min(static_cast<size_t>(field->offset), valueLength);
  size_t take = valueLength - start;
  if (field->length >= 0) take = std::min(take, static_cast<size_t>(field->length));
  std::string text(value + start, take);

  if (m_listener != nullptr) {
    std::unique_ptr<char[]> transformed(m_listener->TransformValue(field->fieldName, text.c_str()));
    text = transformed == nullptr ? "" : transformed.get();
  }

  // The format holds one %s (and %% for "%"), checked when the template was read.
  std::string output;
  output.reserve(std::strlen(field->format) + text.size());
  for (const char* p = field->format; *p != '\0'; ++p) {
    if (*p != '%') {
      output += *p;
    } else if (*++p == 's') {
      output += text;
    } else {
      output += '%';
    }
  }
  return flKTF2SGML_Write(output.data(), output.size()) ? K2S_OK : K2S_WRITE_ERROR;
}

K2S_Return clKTF2SGML::flKTF2SGML_WriteBeginText(int32_t level) {
  for (int32_t lv = 1; lv <= level; ++lv) {
    tBlock* block = m_currentBlocks->GetAt(static_cast<uint32_t>(m_levelStack[lv]));
    if (block->opened != 0) continue;
    if (block->beginText != nullptr &&
        !flKTF2SGML_Write(block->beginText, std::strlen(block->beginText))) {
      return K2S_WRITE_ERROR;
    }
    block->opened = 1;
  }
  return K2S_OK;
}

int32_t clKTF2SGML::flKTF2SGML_TreateBlock(tBlock* block) {
  bool enter = true;
  if (block->existName != nullptr && flKTF2SGML_FindData(block->existName, 0) < 0) enter = false;
  if (enter && block->notExistName != nullptr &&
      flKTF2SGML_FindData(block->notExistName, block->cursor) >= 0) {
    enter = false;
  }
  if (enter && block->leaderName != nullptr &&
      flKTF2SGML_FindData(block->leaderName, block->cursor) < 0) {
    enter = false;
  }
  if (!enter) return flKTF2SGML_FindNextBlockSameLevel(block->index);

  if (block->level <= m_currentLevel) {
    const int32_t repeat = flKTF2SGML_WriteTextEnd(block->level);
    if (m_status != K2S_OK) return 0;
    if (repeat != 0) {
      // Walk the repeating block again from the first entry of its enclosing
      // block; a top-level block has the whole template around it, so the
      // walk restarts at entry 0 (the walk adds 1 to what is returned).
      m_currentLevel = repeat - 1;
      return repeat == 1 ? -1 : m_levelStack[repeat - 1];
    }
  }
  m_currentLevel = block->level;
  m_levelStack[block->level] = block->index;
  block->opened = 0;
  return block->index;
}

int32_t clKTF2SGML::flKTF2SGML_WriteTextEnd(int32_t minLevel) {
  for (int32_t lv = m_currentLevel; lv >= minLevel; --lv) {
    tBlock* block = m_currentBlocks->GetAt(static_cast<uint32_t>(m_levelStack[lv]));
    if (block->opened != 0) {
      if (block->endText != nullptr &&
          !flKTF2SGML_Write(block->endText, std::strlen(block->endText))) {
        m_status = K2S_WRITE_ERROR;
        return 0;
      }
      block->opened = 0;
    }
    if (block->leaderName != nullptr) {
      const int64_t found = flKTF2SGML_FindData(block->leaderName, block->cursor);
      if (found >= 0) {
        const int32_t inner = flKTF2SGML_FindNextBlockLevelLess(block->index);
        if (inner != -1) flKTF2SGML_InitLevel(inner);
        block->cursor = static_cast<uint32_t>(found + 1);
        m_currentLevel = block->level;
        return lv;
      }
    }
  }
  return 0;
}

int32_t clKTF2SGML::flKTF2SGML_FindNextBlockSameLevel(int32_t index) const {
  const int32_t count = static_cast<int32_t>(m_currentBlocks->GetCount());
  const int32_t level = m_currentBlocks->GetAt(static_cast<uint32_t>(index))->level;
  for (int32_t i = index + 1; i < count; ++i) {
    if (m_currentBlocks->GetAt(static_cast<uint32_t>(i))->level <= level) return i - 1;
  }
  return count - 1;
}

int32_t clKTF2SGML::flKTF2SGML_FindNextBlockLevelLess(int32_t index) const {
  const int32_t next = index + 1;
  if (next >= static_cast<int32_t>(m_currentBlocks->GetCount())) return -1;
  const tBlock* entry = m_currentBlocks->GetAt(static_cast<uint32_t>(next));
  const int32_t level = m_currentBlocks->GetAt(static_cast<uint32_t>(index))->level;
  return entry->fieldName == nullptr && entry->level == level + 1 ? next : -1;
}

void clKTF2SGML::flKTF2SGML_InitLevel(int32_t index) {
  const int32_t count = static_cast<int32_t>(m_currentBlocks->GetCount());
  const int32_t level = m_currentBlocks->GetAt(static_cast<uint32_t>(index))->level;
  for (int32_t i = index; i < count; ++i) {
    tBlock* entry = m_currentBlocks->GetAt(static_cast<uint32_t>(i));
    if (entry->level < level) break;
    entry->cursor = 0;
    entry->opened = 0;
  }
  for (int32_t i = index - 1; i >= 0; --i) {
    tBlock* entry = m_currentBlocks->GetAt(static_cast<uint32_t>(i));
    if (entry->level < level) break;
    entry->cursor = 0;
    entry->opened = 0;
  }
}
