// The exported SGML says its character set: onsgmls reads every character
// windows-1252 defines without an error, its letters as they are written,
// and refuses a byte windows-1252 leaves undefined.
#include "session/DocumentExporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "session/Windows1252.h"
#include "tests/common/TempDir.h"

namespace {

// onsgmls run on `file` with `options`: its exit status and what it wrote
// on both outputs.
std::pair<int, std::string> Onsgmls(const std::string& options, const std::string& file) {
  FILE* output = ::popen(("onsgmls " + options + " '" + file + "' 2>&1").c_str(), "r");
  if (output == nullptr) return {-1, ""};
  std::string text;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, output)) > 0;)
    text.append(buffer, got);
  return {::pclose(output), text};
}

KtfDocumentReader::Document Titled(const std::string& title) {
  KtfDocumentReader::Document document;
  document.Add("PN", "EP 1 A1");
  document.Add("TI", title);
  return document;
}

TEST(DocumentExporter, SgmlSaysItsCharacterSetAndOnsgmlsReadsItRight) {
  std::string defined, letters;
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    defined += static_cast<char>(b);
    if (b >= 0xC0) letters += static_cast<char>(b);
  }
  const auto none = [](const std::string&, std::string&) { return false; };
  TempDir folder;
  DocumentExporter exporter(folder.path().string());
  const DocumentExporter::Result all = exporter.Export(Titled(defined + " " + letters), none);
  ASSERT_FALSE(all.sgml.empty());
  EXPECT_TRUE(all.problems.empty()) << all.problems.front();
  const auto [status, esis] = Onsgmls("-b utf-8", all.sgml);
  EXPECT_EQ(status, 0) << esis;
  EXPECT_NE(esis.find(" " + Windows1252ToUtf8(letters) + "\n"), std::string::npos) << esis;

  TempDir other;
  DocumentExporter undefinedExporter(other.path().string());
  const DocumentExporter::Result undefined = undefinedExporter.Export(Titled("a \x81 b"), none);
  ASSERT_FALSE(undefined.sgml.empty());
  const auto [refused, message] = Onsgmls("-s", undefined.sgml);
  EXPECT_NE(refused, 0);
  EXPECT_NE(message.find("non SGML character number 129"), std::string::npos) << message;
}

// A document of three facsimile pages made at once and made first page
// first: the same files, each page's record fetched once, a record that
// does not arrive named among the problems.
TEST(DocumentExporter, PagesLeftForLaterAreMadeUnderTheSameNames) {
  std::ifstream in(SORREL_SOURCE_DIR "/examples/croft/drawing.croft", std::ios::binary);
  const std::string croft((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(croft.empty());
  KtfDocumentReader::Document document = Titled("Pages");
  for (const char* page : {"P1 1", "P2 2", "P3 3"}) document.Add("FP", page);
  std::vector<std::string> asked;
  const auto fetch = [&](const std::string& name, std::string& bytes) {
    asked.push_back(name);
    bytes = croft;
    return name != "P3";
  };
  TempDir whole, parted;
  const DocumentExporter::Result all =
      DocumentExporter(whole.path().string()).Export(document, fetch);
  DocumentExporter exporter(parted.path().string());
  DocumentExporter::LaterPages later;
  const DocumentExporter::Result first = exporter.Export(document, fetch, 1, later);
  EXPECT_EQ(later.first, 1u);
  EXPECT_EQ(later.records, (std::vector<std::string>{"P2", "P3"}));
  const DocumentExporter::Result rest = exporter.MakePages(later, fetch);
  EXPECT_EQ(asked, (std::vector<std::string>{"P1", "P2", "P3", "P1", "P2", "P3"}));

  const auto names = [](const std::vector<std::string>& paths) {
    std::vector<std::string> named;
    for (const auto& path : paths) named.push_back(std::filesystem::path(path).filename());
    return named;
  };
  EXPECT_EQ(names(all.previews), (std::vector<std::string>{"EP1A1-1.png", "EP1A1-2.png"}));
  std::vector<std::string> parts = names(first.previews);
  for (const auto& name : names(rest.previews)) parts.push_back(name);
  EXPECT_EQ(parts, names(all.previews));
  EXPECT_EQ(rest.tiffs.front(),
            DocumentExporter::PagePath(parted.path().string(), "EP1A1", 2, ".tif"));
  ASSERT_EQ(rest.problems.size(), 1u);
  EXPECT_EQ(rest.problems, all.problems);
  EXPECT_NE(rest.problems.front().find("P3"), std::string::npos);
}

}  // namespace
