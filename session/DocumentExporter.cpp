#include "session/DocumentExporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>
#include <utility>

#include "image/clTiffTools.h"
#include "imaging/PagePreview.h"
#include "platform/CString.h"
#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"
#include "session/BundledFiles.h"
#include "sgml/clKTF2SGML.h"
#include "support/clSuperStyleSheetManager.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplate = "templates/patent.tpl";
constexpr const char* kDtd = "templates/patent.dtd";
constexpr const char* kDeclaration = "templates/windows-1252.dcl";
constexpr const char* kSuperStyleSheet = "stylesheets/patents.sss";

// The writers of the exported files (TIFF, PNG, copies of bundled files) make
// them with whatever the umask leaves; others may read them, never write them.
void NarrowMode(const std::string& path) {
  std::error_code failed;
  const fs::perms perms = fs::status(path, failed).permissions();
  const fs::perms wider = perms & ~(fs::perms::owner_read | fs::perms::owner_write |
                                    fs::perms::group_read | fs::perms::others_read);
  if (!failed && wider != fs::perms::none) {
    fs::permissions(path, wider, fs::perm_options::remove, failed);
  }
  if (failed) {
    ReportDiagnostic(
        DiagnosticLevel::kDebug,
        ("(DocumentExporter) cannot narrow the permissions of " + path + ": " + failed.message())
            .c_str());
  }
}

// Copies the bundled file `from` to the new file `to`, made with 0644 less
// the umask (a plain copy would keep the bundled file's own mode). False
// with the reason in `error`.
bool CopyFile(const std::string& from, const fs::path& to, std::string& error) {
  std::ifstream in(from, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    error = "cannot read it";
    return false;
  }
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAllBytes(fd, bytes);
  if (!ok) error = std::strerror(errno);
  if (fd >= 0 && ::close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  std::error_code failed;
  if (!ok && fd >= 0 && !fs::remove(to, failed)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("(DocumentExporter) cannot remove the partial copy " + to.string()).c_str());
  }
  return ok;
}

// Puts the SGML declaration in the file `declaration` before what the
// converter wrote to `path`, whose bytes stay as they are: written beside it
// and renamed over it, so a failure leaves the converter's file whole. False
// with the reason in `error`.
bool PrependDeclaration(const std::string& declaration, const std::string& path,
                        std::string& error) {
  std::ifstream head(declaration, std::ios::binary);
  std::ifstream body(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(head)), std::istreambuf_iterator<char>());
  text.append(std::istreambuf_iterator<char>(body), std::istreambuf_iterator<char>());
  if (!head.is_open() || !body.is_open() || head.bad() || body.bad()) {
    error = "cannot read " + (head.is_open() && !head.bad() ? path : declaration);
    return false;
  }
  const std::string partial = path + ".declared";
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAllBytes(fd, text);
  if (!ok) error = std::strerror(errno);
  if (fd >= 0 && ::close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && ::rename(partial.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  std::error_code failed;
  if (!ok && fd >= 0 && !fs::remove(partial, failed)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("(DocumentExporter) cannot remove " + partial).c_str());
  }
  return ok;
}

}  // namespace

const char* DocumentExporter::StatusText(K2S_Return status) {
  switch (status) {
    case K2S_OK:
      return "done";
    case K2S_TEMPLATE_ERROR:
      return "the template is not valid";
    case K2S_OPEN_ERROR:
      return "a file could not be opened or created";
    case K2S_NO_MEMORY:
      return "out of memory";
    case K2S_WRITE_ERROR:
      return "the SGML file could not be written";
    case K2S_NO_TEMPLATE:
      return "the template has no entries";
    case K2S_NO_DATA:
      return "the document has no fields";
  }
  return "unknown status";
}

std::string DocumentExporter::FileStem(const std::string& number) {
  std::string stem;
  for (const char c : number) {
    if (c == ' ') continue;
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    stem += plain ? c : '_';
  }
  return stem;
}

DocumentExporter::DocumentExporter(std::string folder) : folder_(std::move(folder)) {}

DocumentExporter::Result DocumentExporter::Export(const KtfDocumentReader::Document& document,
                                                  const FileFetcher& fetch) {
  LaterPages none;
  return Export(document, fetch, std::numeric_limits<size_t>::max(), none);
}

DocumentExporter::Result DocumentExporter::Export(const KtfDocumentReader::Document& document,
                                                  const FileFetcher& fetch, size_t pagesNow,
                                                  LaterPages& later) {
  Result result;
  std::vector<std::string> pages;
  for (const auto& [code, value] : document) {
    if (code == "PN" && result.number.empty()) result.number = value;
    if (code == "TI" && result.title.empty()) result.title = value;
    if (code == "FP") pages.push_back(value.substr(0, value.find(' ')));
  }
  std::string stem = FileStem(result.number);
  if (stem.empty()) stem = "document-" + std::to_string(files_.size() + 1);

  WriteSgml(document, stem, result);
  if (!result.sgml.empty()) ChooseStyleSheet(result);
  const size_t now = std::min(pagesNow, pages.size());
  later = {stem, now,
           std::vector<std::string>(pages.begin() + static_cast<long>(now), pages.end())};
  MakeEach(
      {stem, 0, std::vector<std::string>(pages.begin(), pages.begin() + static_cast<long>(now))},
      fetch, result);
  return result;
}

DocumentExporter::Result DocumentExporter::MakePages(const LaterPages& later,
                                                     const FileFetcher& fetch) {
  Result result;
  MakeEach(later, fetch, result);
  return result;
}

std::string DocumentExporter::PagePath(const std::string& folder, const std::string& stem,
                                       size_t page, const char* extension) {
  return (fs::path(folder) / (stem + "-" + std::to_string(page) + extension)).string();
}

void DocumentExporter::MakeEach(const LaterPages& pages, const FileFetcher& fetch, Result& result) {
  for (size_t i = 0; i < pages.records.size(); ++i) {
    std::string record;
    if (!fetch(pages.records[i], record)) {
      result.problems.push_back("facsimile page " + pages.records[i] + " did not arrive");
      continue;
    }
    ConvertPage(record, pages.stem, pages.first + i + 1, result);
  }
}

void DocumentExporter::WriteSgml(const KtfDocumentReader::Document& document,
                                 const std::string& stem, Result& result) {
  if (!CopyBeside(BundledFile(kDtd), "patent.dtd", result)) return;
  const std::string path = (fs::path(folder_) / (stem + ".sgml")).string();
  clKTF2SGML converter;
  (void)converter.fgKTF2SGML_NewDocument();
  K2S_Return status =
      converter.fgKTF2SGML_RecoverTemplate(BundledFile(kTemplate).c_str(), path.c_str());
  if (status == K2S_OK) status = converter.fgKTF2SGML_InsertDocument(document);
  if (status == K2S_OK) status = converter.fgKTF2SGML_BuildSGMLFile();
  if (status != K2S_OK) {
    result.problems.push_back("SGML not written: " + std::string(StatusText(status)));
    return;
  }
  std::string error;
  if (!PrependDeclaration(BundledFile(kDeclaration), path, error)) {
    result.problems.push_back("SGML written without its declaration: " + error);
  }
  result.sgml = path;
  Remember(path);
}

void DocumentExporter::ChooseStyleSheet(Result& result) {
  std::ifstream in(result.sgml, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  clSuperStyleSheetManager manager(BundledFile(kSuperStyleSheet).c_str());
  CString sheet;
  if (!manager.mGetBINStyleSheetToUse(CString(data.c_str(), static_cast<int>(data.size())),
                                      sheet)) {
    result.problems.push_back("no style sheet of " + std::string(kSuperStyleSheet) + " fits");
    return;
  }
  const std::string name = sheet.c_str();
  if (CopyBeside(BundledFile("stylesheets/" + name), name, result)) result.styleSheet = name;
}

void DocumentExporter::ConvertPage(const std::string& record, const std::string& document,
                                   size_t page, Result& result) {
  const std::string stem = document + "-" + std::to_string(page);
  const std::string tiff = PagePath(folder_, document, page, ".tif");
  if (!clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiff.c_str())) {
    result.problems.push_back(stem + ": not a CROFT facsimile record, or " + tiff +
                              " could not be written");
    return;
  }
  result.tiffs.push_back(tiff);
  Remember(tiff);
  const std::string png = PagePath(folder_, document, page, ".png");
  std::vector<std::string> notes;
  std::string error;
  if (!WritePagePreview(tiff, png, &notes, &error)) {
    result.problems.push_back(stem + ": no preview: " + error);
    return;
  }
  result.previews.push_back(png);
  Remember(png);
}

bool DocumentExporter::CopyBeside(const std::string& bundled, const std::string& name,
                                  Result& result) {
  const fs::path target = fs::path(folder_) / name;
  std::error_code failed;
  if (fs::exists(target, failed)) return true;
  std::string error;
  if (!CopyFile(bundled, target, error)) {
    result.problems.push_back("cannot copy " + bundled + ": " + error);
    return false;
  }
  Remember(target.string());
  return true;
}

void DocumentExporter::Remember(const std::string& path) {
  NarrowMode(path);
  if (std::find(files_.begin(), files_.end(), path) == files_.end()) files_.push_back(path);
}
