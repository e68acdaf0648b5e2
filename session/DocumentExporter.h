#pragma once

#include <cstddef>
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

  // The facsimile pages of an export left for MakePages, in order.
  struct LaterPages {
    std::string stem;                  // NAME
    size_t first = 0;                  // records[0] is page first + 1
    std::vector<std::string> records;  // the names of the pages' facsimile records
  };

  // Exports one document; never throws for bad data, every failure is a
  // line of Result::problems and the other files are still made.
  Result Export(const KtfDocumentReader::Document& document, const FileFetcher& fetch);
  // As Export, but makes only the first `pagesNow` facsimile pages and
  // leaves the others in `later`, for a front end that shows the first
  // page before the others are made.
  Result Export(const KtfDocumentReader::Document& document, const FileFetcher& fetch,
                size_t pagesNow, LaterPages& later);
  // Makes the pages an Export left: their TIFF and PNG files, or problems.
  Result MakePages(const LaterPages& later, const FileFetcher& fetch);
  // The path page `page` (from 1) of NAME `stem` gets in `folder`,
  // `extension` ".tif" or ".png".
  static std::string PagePath(const std::string& folder, const std::string& stem, size_t page,
                              const char* extension);

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
  // Fetches and converts each page of `pages`, into `result`.
  void MakeEach(const LaterPages& pages, const FileFetcher& fetch, Result& result);
  // Page `page` of NAME `document` from its CROFT record: NAME-page.tif, NAME-page.png.
  void ConvertPage(const std::string& record, const std::string& document, size_t page,
                   Result& result);
  bool CopyBeside(const std::string& bundled, const std::string& name, Result& result);
  // Lists a file the export made, its permissions narrowed to 0644 at most.
  void Remember(const std::string& path);

  std::string folder_;
  std::vector<std::string> files_;
};
