#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "session/DocumentExporter.h"
#include "sgml/clKTF2SGML.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"
#include "tools/OutputFile.h"
#include "tools/OutputFolder.h"

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

// The template's first error as "TEMPLATE:LINE: text".
void ReportTemplateError(const std::string& templatePath, clKTF2SGML& converter) {
  const int line = converter.fgKTF2SGML_GetTemplateErrorLine();
  std::fprintf(stderr, "%s:%s %s\n", templatePath.c_str(),
               line > 0 ? (std::to_string(line) + ":").c_str() : "",
               converter.fgKTF2SGML_GetTemplateError().c_str());
}

// Reads the template; 0 when it is sound (said only when `tell`), else 1
// after its first error.
int Check(const SgmlOptions& options, bool tell) {
  const std::string problem = InputFile::Problem(options.templatePath);
  if (!problem.empty()) {
    std::fprintf(stderr, "sorrel: %s\n", problem.c_str());
    return 1;
  }
  clKTF2SGML converter;
  const K2S_Return status = converter.fgKTF2SGML_RecoverTemplate(options.templatePath.c_str(), "");
  if (status == K2S_OK) {
    if (!tell) return 0;
    std::printf("%s: valid, %u entries, %u rules\n", options.templatePath.c_str(),
                converter.fgKTF2SGML_GetBlocks()->GetCount(),
                converter.fgKTF2SGML_GetRules()->GetCount());
    return 0;
  }
  ReportTemplateError(options.templatePath, converter);
  return 1;
}

// Writes one document's SGML file, which appears only once whole. False after
// saying why; *templateBroken when the template is at fault.
bool WriteDocument(const SgmlOptions& options, clKTF2SGML& converter,
                   const KtfDocumentReader::Document& document, const std::string& input,
                   size_t position, bool* templateBroken) {
  OutputFile output(
      (std::filesystem::path(options.outputDir) / OutputName(document, input, position)).string());
  std::string error;
  if (!output.Open(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return false;
  }
  (void)converter.fgKTF2SGML_NewDocument();
  K2S_Return status = converter.fgKTF2SGML_RecoverTemplate(options.templatePath.c_str(),
                                                           output.temporaryPath().c_str());
  if (status == K2S_TEMPLATE_ERROR || status == K2S_OPEN_ERROR) {
    ReportTemplateError(options.templatePath, converter);
    *templateBroken = true;
    return false;
  }
  if (status == K2S_OK) status = converter.fgKTF2SGML_InsertDocument(document);
  if (status == K2S_OK) status = converter.fgKTF2SGML_BuildSGMLFile();
  if (status != K2S_OK) {
    std::fprintf(stderr, "sorrel: %s: document %zu: %s\n", input.c_str(), position,
                 DocumentExporter::StatusText(status));
    return false;
  }
  if (!output.Commit(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return false;
  }
  std::printf("%s\n", output.path().c_str());
  return true;
}

// The documents of one KTF file, or null after saying why there are none.
std::unique_ptr<KtfDocumentReader> ReadDocuments(const std::string& input) {
  auto reader = std::make_unique<KtfDocumentReader>();
  std::string why = InputFile::Problem(input);
  if (why.empty() && !reader->ReadFile(input.c_str())) {
    why = input + " is not a KTF document: " + reader->error();
  }
  if (why.empty()) return reader;
  std::fprintf(stderr, "sorrel: %s\n", why.c_str());
  return nullptr;
}

int Convert(const SgmlOptions& options) {
  // The template is read once before anything is made, so that a broken one
  // leaves no folder behind.
  if (Check(options, false) != 0) return 1;
  OutputFolder folder(options.outputDir);
  std::string problem;
  if (!folder.Make(&problem)) {
    std::fprintf(stderr, "sorrel: %s\n", problem.c_str());
    return 1;
  }
  clKTF2SGML converter;
  int failures = 0;
  int written = 0;
  bool templateBroken = false;
  for (size_t file = 0; file < options.inputs.size() && !templateBroken; ++file) {
    const std::string& input = options.inputs[file];
    const std::unique_ptr<KtfDocumentReader> reader = ReadDocuments(input);
    const size_t count = reader ? reader->documents().size() : 0;
    if (!reader) ++failures;
    for (size_t i = 0; i < count && !templateBroken; ++i) {
      const bool done =
          WriteDocument(options, converter, reader->documents()[i], input, i + 1, &templateBroken);
      done ? ++written : ++failures;
    }
  }
  if (written == 0) folder.RemoveIfUnused();
  return failures == 0 ? 0 : 1;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "sgml", "Convert KTF documents into SGML files with a template, or check a template");
  static SgmlOptions options;
  command->add_option("TEMPLATE", options.templatePath, "template file")->required();
  command->add_option("DOCUMENT", options.inputs,
                      "KTF document files (one at least without --check)");
  command->add_option("-o,--output", options.outputDir, "folder of the SGML files (default .)");
  command->add_flag("--check", options.check,
                    "only read the template and report its first error with its line");
  command->callback([&exitCode] {
    // Without --check a document is required: a command-line error.
    if (!options.check && options.inputs.empty()) {
      throw CLI::ValidationError("DOCUMENT", "give at least one KTF document file (or --check)");
    }
    exitCode = options.check ? Check(options, true) : Convert(options);
  });
});

}  // namespace
