#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Export.h"
#include "sgml/K2S_Return.h"
#include "sgml/KtfToSgmlListener.h"
#include "sgml/cl_Table.h"
#include "sgml/tBlock.h"
#include "sgml/tKtfField.h"
#include "sgml/tReplaceText.h"

class K2S_OutputFile;
class KtfDocument;

// Turns the fields of one KTF record into an SGML file by filling a template.
// Per document: fgKTF2SGML_NewDocument, fgKTF2SGML_RecoverTemplate, any number
// of fgKTF2SGML_InsertKTFData / fgKTF2SGML_InsertImageParam (or one
// fgKTF2SGML_InsertDocument), then
// fgKTF2SGML_BuildSGMLFile. Every operation returns a K2S_Return and never
// throws; allocation failures come back as K2S_NO_MEMORY.
//
// All conversion state (the template's entry and rule tables, the data table,
// the walk's level stack, status and output file) belongs to the converter
// object: two converters, or two threads each with its own converter, do not
// disturb each other. One converter is used by one thread at a time.
class SORREL_EXPORT clKTF2SGML {
 public:
  static constexpr int kLevelSlots = 20;  // level stack: slot 0 unused, levels 1 to 19

  // No listener, no SGML path, no template, no data.
  clKTF2SGML();
  // Copies duplicate the SGML path, the template and the data; the listener
  // is owned by one converter only, so a copy has none and an assignment
  // keeps the target's own. They throw std::bad_alloc when memory runs out
  // (an assignment then leaves the target unchanged).
  clKTF2SGML(const clKTF2SGML& other);
  clKTF2SGML& operator=(const clKTF2SGML& other);
  // Deletes the listener, the tables and the path.
  ~clKTF2SGML();

  // Takes ownership of `listener` (null for none). A listener set earlier is
  // not deleted: it goes back to the caller.
  void SetKtfToSgmlListener(KtfToSgmlListener* listener);

  // Empties the data table. Always K2S_OK.
  K2S_Return fgKTF2SGML_NewDocument();
  // Empties the template, remembers `sgmlPath` (copied) for BuildSGMLFile and
  // reads the template file: K2S_OPEN_ERROR when it cannot be opened,
  // K2S_TEMPLATE_ERROR when it is not in the template language (the template
  // is then empty, and fgKTF2SGML_GetTemplateError tells where), K2S_NO_MEMORY.
  K2S_Return fgKTF2SGML_RecoverTemplate(const char* templatePath, const char* sgmlPath);
  // Applies the template's rules to `value` and appends the field (and the
  // sub-fields and repeats that the rules make) to the data table. A null
  // name or value stores nothing. K2S_OK or K2S_NO_MEMORY (entries appended
  // before the failure stay).
  K2S_Return fgKTF2SGML_InsertKTFData(const char* name, const char* value);
  // Inserts prefix+"ID" = id, prefix+"HE" = height, prefix+"WI" = width,
  // prefix+"LX" = x and prefix+"LY" = y, in that order, stopping at the first
  // failure, whose status it returns. A null prefix counts as "".
  K2S_Return fgKTF2SGML_InsertImageParam(const char* id, const char* height, const char* width,
                                         const char* x, const char* y, const char* prefix);
  // Inserts a whole document, field by field in order: each FP field whose
  // value has the five words FILE HEIGHT WIDTH X Y as image parameters with
  // the prefix "IMG", every other field as KTF data. The first status that
  // is not K2S_OK ends it and is returned (fields inserted before it stay).
  K2S_Return fgKTF2SGML_InsertDocument(const KtfDocument& document);
  // Writes the SGML file (created or truncated) at the path given to
  // RecoverTemplate. The texts are gathered in memory and written at once
  // when the file is closed (early when 64 KiB have gathered).
  // K2S_OPEN_ERROR (no path, or not creatable), K2S_NO_DATA, K2S_NO_TEMPLATE
  // (the file then exists and is empty), K2S_NO_MEMORY or K2S_WRITE_ERROR
  // (the file then holds what could be written); the file is closed in every case.
  K2S_Return fgKTF2SGML_BuildSGMLFile();
  // The walk that BuildSGMLFile runs once the output file is open: K2S_OK,
  // K2S_NO_DATA, K2S_NO_TEMPLATE, K2S_NO_MEMORY or K2S_WRITE_ERROR.
  K2S_Return fgKTF2SGML_CreateSGMLDocument();

  // Why the last template read failed ("" after a success or before any
  // read), and its line from 1 (0 when unknown).
  const std::string& fgKTF2SGML_GetTemplateError() const { return m_templateError; }
  int fgKTF2SGML_GetTemplateErrorLine() const { return m_templateErrorLine; }
  // The converter's tables, for inspection; null while they do not exist.
  // They belong to the converter and change with its operations.
  const cl_Table<tBlock>* fgKTF2SGML_GetBlocks() const { return m_blocks; }
  const cl_Table<tReplaceText>* fgKTF2SGML_GetRules() const { return m_rules; }
  const cl_Table<tKtfField>* fgKTF2SGML_GetData() const { return m_data; }

 private:
  // Template reading.
  K2S_Return flKTF2SGML_GetTemplate(const char* templatePath);
  // Insertion.
  K2S_Return flKTF2SGML_Insert(const char* name, const char* value);
  K2S_Return flKTF2SGML_ReplaceText(char*& result, const char* text, const char* fieldName);
  K2S_Return flKTF2SGML_CreateField(const tKtfField& field, const char* text);
  void flKTF2SGML_Append(const char* name, const char* value, size_t length);
  K2S_Return flKTF2SGML_IsEmptyDocument() const;
  // Writing.
  void flKTF2SGML_InitDocument(cl_Table<tBlock>* table);
  K2S_Return flKTF2SGML_OpenSgmlFile(const char* path);
  K2S_Return flKTF2SGML_CloseSgmlFile();
  K2S_Return flKTF2SGML_Walk();
  K2S_Return flKTF2SGML_TreatField(tBlock* field);
  int32_t flKTF2SGML_TreateBlock(tBlock* block);
  K2S_Return flKTF2SGML_WriteBeginText(int32_t level);
  int32_t flKTF2SGML_WriteTextEnd(int32_t minLevel);
  int32_t flKTF2SGML_FindNextBlockSameLevel(int32_t index) const;
  int32_t flKTF2SGML_FindNextBlockLevelLess(int32_t index) const;
  void flKTF2SGML_InitLevel(int32_t index);
  // Index of the first data entry from `from` on named `name`, or -1.
  int64_t flKTF2SGML_FindData(const char* name, uint32_t from) const;
  // Writes `length` bytes; false unless all of them were written.
  bool flKTF2SGML_Write(const char* text, size_t length);
  void flKTF2SGML_Release();
  void flKTF2SGML_CopyFrom(const clKTF2SGML& other);

  KtfToSgmlListener* m_listener = nullptr;    // owned; null for none
  char* m_sgmlPath = nullptr;                 // owned path of the SGML file; null until set
  cl_Table<tBlock>* m_blocks = nullptr;       // entry table; null until a template was read
  cl_Table<tReplaceText>* m_rules = nullptr;  // rule table; null until a template was read
  cl_Table<tKtfField>* m_data = nullptr;      // data table; null until the first insertion

  // The write in progress.
  K2S_Return m_status = K2S_OK;                 // status of the write
  int32_t m_levelStack[kLevelSlots] = {};       // entry index of the block entered per level
  std::unique_ptr<K2S_OutputFile> m_output;     // the SGML file being written
  cl_Table<tBlock>* m_currentBlocks = nullptr;  // entry table being walked
  int32_t m_currentLevel = 0;                   // deepest level entered, 0 for none

  std::string m_templateError;  // why the last template read failed
  int m_templateErrorLine = 0;  // its line, 0 when unknown
};
