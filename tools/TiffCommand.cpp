#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/CroftHeader.h"
#include "image/clTiffTools.h"
#include "imaging/FacsimilePage.h"
#include "imaging/PagePreview.h"
#include "imaging/TiffMessages.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"
#include "tools/OutputFile.h"
#include "tools/OutputFolder.h"

namespace {

namespace fs = std::filesystem;

struct TiffOptions {
  std::vector<std::string> records;  // CROFT record files
  std::string outDir;                // where to write; beside each record when empty
  bool png = false;                  // also write a PNG of the decoded page
};

// Why the converter refused `record`, by name.
std::string RefusalText(const std::string& recordPath, const std::string& record,
                        const std::string& tiffPath, clTiffTools::Refusal why) {
  const std::string notRecord = recordPath + " is not a CROFT record: ";
  if (why == clTiffTools::Refusal::kShortRecord) {
    return notRecord + std::to_string(record.size()) + " bytes, too short for the " +
           std::to_string(CroftHeader::kSize) + "-byte header";
  }
  if (why == clTiffTools::Refusal::kDataPastEnd) {
    return notRecord + "the header counts " +
           std::to_string(CroftHeader(record.data()).DataCount()) +
           " bytes of image data, but only " + std::to_string(record.size() - CroftHeader::kSize) +
           " follow it";
  }
  return "cannot write " + tiffPath;
}

// "" when libtiff decodes the page of the written TIFF without an error; else
// why not. A record whose data is not a Group 4 page is not a CROFT record.
std::string PageProblem(const std::string& recordPath, const std::string& tiffPath) {
  TiffMessages messages;
  BilevelPage page;
  std::string error;
  if (!ReadTiffPage(tiffPath, &page, &error)) {
    return recordPath + " is not a CROFT record: its header describes no bilevel page";
  }
  if (!messages.errors().empty()) {
    return recordPath + " is not a CROFT record: its page does not decode (" +
           messages.errors().front() + ")";
  }
  return {};
}

// Writes the decoded page of `tiffPath` as a grey PNG to `pngPath`.
bool WritePagePng(const std::string& tiffPath, const std::string& pngPath, std::string* error) {
  std::vector<std::string> notes;
  const bool written = WritePagePreview(tiffPath, pngPath, &notes, error);
  for (const std::string& note : notes) std::fprintf(stderr, "sorrel: libtiff: %s\n", note.c_str());
  return written;
}

// Converts one record; both files appear only when both are whole.
bool Convert(const std::string& recordPath, const TiffOptions& options, std::string* error) {
  std::string record;
  if (!InputFile::Read(recordPath, &record, error)) return false;
  const fs::path source(recordPath);
  const fs::path dir = options.outDir.empty() ? source.parent_path() : fs::path(options.outDir);
  OutputFile tiff((dir / source.stem()).string() + ".tif");
  OutputFile png((dir / source.stem()).string() + ".png");
  if (!tiff.Open(error) || (options.png && !png.Open(error))) return false;
  clTiffTools::Refusal why;
  if (!clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiff.temporaryPath().c_str(),
                                         why)) {
    *error = RefusalText(recordPath, record, tiff.path(), why);
    return false;
  }
  *error = PageProblem(recordPath, tiff.temporaryPath());
  if (!error->empty()) return false;
  if (options.png && !WritePagePng(tiff.temporaryPath(), png.temporaryPath(), error)) {
    return false;
  }
  if (!tiff.Commit(error)) return false;
  std::printf("%s\n", tiff.path().c_str());
  if (!options.png) return true;
  if (!png.Commit(error)) return false;
  std::printf("%s\n", png.path().c_str());
  return true;
}

int Run(const TiffOptions& options) {
  OutputFolder folder(options.outDir);
  std::string error;
  if (!options.outDir.empty() && !folder.Make(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  size_t failures = 0;
  for (const std::string& record : options.records) {
    if (!Convert(record, options, &error)) {
      std::fprintf(stderr, "sorrel: %s\n", error.c_str());
      ++failures;
    }
  }
  if (failures == options.records.size()) folder.RemoveIfUnused();
  return failures == 0 ? 0 : 1;
}

// sorrel tiff RECORD... [-o DIR] [--png]: CROFT records to TIFF files, and
// optionally a PNG of each decoded page to look at.
const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<TiffOptions>();
  CLI::App* command = app.add_subcommand(
      "tiff", "Convert CROFT facsimile records to TIFF files (NAME.tif for each NAME record)");
  command->add_option("RECORD", options->records, "CROFT record files")->required();
  command->add_option("-o,--out", options->outDir, "directory for the output (made if missing)");
  command->add_flag("--png", options->png, "also write NAME.png, the decoded page, beside it");
  command->callback([options, &exitCode] { exitCode = Run(*options); });
});

}  // namespace
