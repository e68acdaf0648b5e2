#pragma once

#include <algorithm>
#include <string>

#include "sgml/clKTF2SGML.h"
#include "tests/common/TempDir.h"

// A converter with its own temporary folder: a template given as text and
// the SGML file it writes, read back as bytes.
struct SgmlConversion {
  TempDir dir;
  clKTF2SGML converter;
  std::string templatePath = dir.File("template.tpl");
  std::string sgmlPath = dir.File("out.sgml");

  // Reads the template file into the converter.
  K2S_Return Recover() {
    return converter.fgKTF2SGML_RecoverTemplate(templatePath.c_str(), sgmlPath.c_str());
  }
  K2S_Return Load(const std::string& templateText) {
    WriteBytes(templatePath, templateText);
    return Recover();
  }
  void Insert(const char* name, const char* value) {
    (void)converter.fgKTF2SGML_InsertKTFData(name, value);
  }
  // Inserts the fields of "NAME=value|NAME=value|..." in order.
  void InsertAll(const std::string& fields) {
    for (size_t start = 0, end = 0; start < fields.size(); start = end + 1) {
      end = std::min(fields.find('|', start), fields.size());
      const size_t equals = fields.find('=', start);
      Insert(fields.substr(start, equals - start).c_str(),
             fields.substr(equals + 1, end - equals - 1).c_str());
    }
  }
  // Builds the file; its bytes, or "<status N>" when the build failed.
  std::string Build() {
    const K2S_Return status = converter.fgKTF2SGML_BuildSGMLFile();
    if (status != K2S_OK) return "<status " + std::to_string(status) + ">";
    return ReadBytes(sgmlPath);
  }
  // The data table as "NAME=value|NAME=value|...".
  std::string Data() const {
    std::string text;
    const cl_Table<tKtfField>* data = converter.fgKTF2SGML_GetData();
    for (uint32_t i = 0; data != nullptr && i < data->GetCount(); ++i) {
      text += std::string(i ? "|" : "") + data->GetAt(i)->name + "=" + data->GetAt(i)->value;
    }
    return text;
  }
};
