#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "sgml/K2S_Return.h"

// Turns a fetched KTF document into the files a user opens: NAME.sgml filled
// from the bundled template (the DTD beside it) after the SGML declaration
// of its character set, windows-1252 (the server's bytes kept as they
// came), the style sheet that the
// bundled super style sheet chooses for it (copied beside it once), and for
// each facsimile page NAME-N.tif and its preview NAME-N.png. NAME is the
// publication number without blanks.
class DocumentExporter {
 public:
  // Fetches one file of the base (a facsimile record) into `bytes`; false
  // when it did not arrive.
  using FileFetcher = std::function<bool(const std::string& name, std::string& bytes)>;

  // What one export produced; `problems` says what could not be made.
  struct Result {
    std::string number;                 // the publication number, "" when the document has none
    std::string title;                  // its title
    std::string sgml;                   // the SGML file, "" when it could not be written
    std::string styleSheet;             // the chosen style sheet's name, "" when none
    std::vector<std::string> tiffs;     // one per facsimile page converted
    std::vector<std::string> previews;  // one PNG per TIFF
    std::vector<std::string> problems;  // readable reasons, one per failure
  };

  // Writes into `folder`, which must exist.
  explicit DocumentExporter(std::string folder);

  // Exports one document; never throws for bad data, every failure is a
  // line of Result::problems and the other files are still made.
  Result Export(const KtfDocumentReader::Document& document, const FileFetcher& fetch);

  // A readable text for a converter status.
  static const char* StatusText(K2S_Return status);
  // A file name from a publication number: blanks dropped, anything but
  // letters, digits, '-' and '_' turned into '_'.
  static std::string FileStem(const std::string& number);

  // Every file written so far, each once, in the order first written.
  const std::vector<std::string>& files() const { return files_; }

 private:
  void WriteSgml(const KtfDocumentReader::Document& document, const std::string& name,
                 Result& result);
  void ChooseStyleSheet(Result& result);
  void ConvertPage(const std::string& record, const std::string& base, Result& result);
  bool CopyBeside(const std::string& bundled, const std::string& name, Result& result);
  // Lists a file the export made, its permissions narrowed to 0644 at most.
  void Remember(const std::string& path);

  std::string folder_;
  std::vector<std::string> files_;
};
