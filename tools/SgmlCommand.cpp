#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "session/DocumentExporter.h"
#include "sgml/clKTF2SGML.h"
#include "tools/CommandRegistry.h"

namespace {

struct SgmlOptions {
  std::string templatePath;         // the template
  std::vector<std::string> inputs;  // KTF document files
  std::string outputDir = ".";      // where the SGML files go
  bool check = false;               // only read the template
};

// The file name of a document: its publication number without blanks, or the
// input's name and the document's position when it has none.
std::string OutputName(const KtfDocumentReader::Document& document, const std::string& input,
                       size_t position) {
  for (const auto& [code, value] : document) {
    if (code == "PN" && !value.empty()) return DocumentExporter::FileStem(value) + ".sgml";
  }
  return std::filesystem::path(input).stem().string() + "-" + std::to_string(position) + ".sgml";
}

int Check(const SgmlOptions& options) {
  clKTF2SGML converter;
  const K2S_Return status = converter.fgKTF2SGML_RecoverTemplate(options.templatePath.c_str(), "");
  if (status == K2S_OK) {
    std::printf("%s: valid, %u entries, %u rules\n", options.templatePath.c_str(),
                converter.fgKTF2SGML_GetBlocks()->GetCount(),
                converter.fgKTF2SGML_GetRules()->GetCount());
    return 0;
  }
  const int line = converter.fgKTF2SGML_GetTemplateErrorLine();
  std::fprintf(stderr, "%s:%s %s\n", options.templatePath.c_str(),
               line > 0 ? (std::to_string(line) + ":").c_str() : "",
               converter.fgKTF2SGML_GetTemplateError().c_str());
  return 1;
}

int Convert(const SgmlOptions& options) {
  if (options.inputs.empty()) {
    std::fprintf(stderr, "give at least one KTF document file (or --check)\n");
    return 2;
  }
  clKTF2SGML converter;
  int failures = 0;
  for (const auto& input : options.inputs) {
    KtfDocumentReader reader;
    if (!reader.ReadFile(input.c_str())) {
      std::fprintf(stderr, "%s: %s\n", input.c_str(), reader.error().c_str());
      ++failures;
      continue;
    }
    for (size_t i = 0; i < reader.documents().size(); ++i) {
      const auto& document = reader.documents()[i];
      const std::string output =
          (std::filesystem::path(options.outputDir) / OutputName(document, input, i + 1)).string();
      (void)converter.fgKTF2SGML_NewDocument();
      K2S_Return status =
          converter.fgKTF2SGML_RecoverTemplate(options.templatePath.c_str(), output.c_str());
      if (status == K2S_TEMPLATE_ERROR || status == K2S_OPEN_ERROR) {
        const int line = converter.fgKTF2SGML_GetTemplateErrorLine();
        std::fprintf(stderr, "%s:%s %s\n", options.templatePath.c_str(),
                     line > 0 ? (std::to_string(line) + ":").c_str() : "",
                     converter.fgKTF2SGML_GetTemplateError().c_str());
        return 2;
      }
      if (status == K2S_OK) status = converter.fgKTF2SGML_InsertDocument(document);
      if (status == K2S_OK) status = converter.fgKTF2SGML_BuildSGMLFile();
      if (status != K2S_OK) {
        std::fprintf(stderr, "%s: document %zu: %s\n", input.c_str(), i + 1,
                     DocumentExporter::StatusText(status));
        ++failures;
        continue;
      }
      std::printf("%s\n", output.c_str());
    }
  }
  return failures == 0 ? 0 : 1;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "sgml", "Convert KTF documents into SGML files with a template, or check a template");
  static SgmlOptions options;
  command->add_option("TEMPLATE", options.templatePath, "template file")->required();
  command->add_option("DOCUMENT", options.inputs, "KTF document files");
  command->add_option("-o,--output", options.outputDir, "folder of the SGML files (default .)");
  command->add_flag("--check", options.check,
                    "only read the template and report its first error with its line");
  command->callback([&exitCode] { exitCode = options.check ? Check(options) : Convert(options); });
});

}  // namespace
