#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image/CroftHeader.h"
#include "image/clTiffTools.h"
#include "tools/CommandRegistry.h"
#include "imaging/PagePreview.h"

namespace {

namespace fs = std::filesystem;

struct TiffOptions {
  std::vector<std::string> records;  // CROFT record files
  std::string outDir;                // where to write; beside each record when empty
  bool png = false;                  // also write a PNG of the decoded page
};

bool ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Decodes the written TIFF with libtiff and writes its page as a grey PNG.
bool WritePagePng(const std::string& tiffPath, const std::string& pngPath) {
  std::vector<std::string> notes;
  std::string error;
  const bool written = WritePagePreview(tiffPath, pngPath, &notes, &error);
  for (const std::string& note : notes) std::fprintf(stderr, "sorrel: libtiff: %s\n", note.c_str());
  if (!written) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return false;
  }
  std::printf("%s\n", pngPath.c_str());
  return true;
}

// Says by name why the converter refused `record`.
void ReportRefusal(const std::string& recordPath, const std::string& record,
                   const std::string& tiffPath, clTiffTools::Refusal why) {
  if (why == clTiffTools::Refusal::kShortRecord) {
    std::fprintf(stderr, "sorrel: %s: %zu bytes, too short for the %zu-byte CROFT header\n",
                 recordPath.c_str(), record.size(), CroftHeader::kSize);
  } else if (why == clTiffTools::Refusal::kDataPastEnd) {
    std::fprintf(stderr,
                 "sorrel: %s: the header counts %u bytes of image data, but only %zu follow it\n",
                 recordPath.c_str(), CroftHeader(record.data()).DataCount(),
                 record.size() - CroftHeader::kSize);
  } else {
    std::fprintf(stderr, "sorrel: cannot write %s\n", tiffPath.c_str());
  }
}

bool Convert(const std::string& recordPath, const TiffOptions& options) {
  std::string record;
  if (!ReadFile(recordPath, &record)) {
    std::fprintf(stderr, "sorrel: cannot read %s\n", recordPath.c_str());
    return false;
  }
  const fs::path source(recordPath);
  const fs::path dir = options.outDir.empty() ? source.parent_path() : fs::path(options.outDir);
  const std::string tiffPath = (dir / source.stem()).string() + ".tif";
  clTiffTools::Refusal why;
  if (!clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiffPath.c_str(), why)) {
    ReportRefusal(recordPath, record, tiffPath, why);
    return false;
  }
  std::printf("%s\n", tiffPath.c_str());
  if (options.png) return WritePagePng(tiffPath, (dir / source.stem()).string() + ".png");
  return true;
}

int Run(const TiffOptions& options) {
  if (!options.outDir.empty()) {
    std::error_code error;
    fs::create_directories(options.outDir, error);
    if (error) {
      std::fprintf(stderr, "sorrel: cannot make %s: %s\n", options.outDir.c_str(),
                   error.message().c_str());
      return 2;
    }
  }
  int failures = 0;
  for (const std::string& record : options.records) {
    if (!Convert(record, options)) ++failures;
  }
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
