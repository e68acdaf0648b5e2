// Documents per second converted with the bundled patent template on the
// sample documents, next to the floor: writing the same bytes to the same
// files with one fwrite per piece (fopen, the pieces, fclose). The pieces are
// the texts the converter hands to its output file, recorded once through a
// linker wrapper around K2S_OutputFile::Write (-Wl,--wrap with its mangled
// name, which receives `this` first).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "sgml/clKTF2SGML.h"

extern "C" bool __real__ZN14K2S_OutputFile5WriteEPKcm(void* self, const char* text, size_t length);

namespace {

std::vector<std::string>* recording = nullptr;  // where the pieces go, when set

const std::string kTemplate = std::string(SORREL_SOURCE_DIR) + "/examples/templates/patent.tpl";

struct Sample {
  KtfDocumentReader::Document document;  // the fields
  std::string path;                      // the SGML file
  std::vector<std::string> pieces;       // the converter's writes
};

std::vector<Sample>& Samples() {
  static std::vector<Sample> samples = [] {
    std::vector<Sample> result;
    // Memory-backed when possible: disk flushes on truncation would hide the costs.
    const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    const std::string dir = base / "sorrel-sgml-bench";
    std::filesystem::create_directories(dir);
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SORREL_SOURCE_DIR) +
                                                                 "/examples/documents")) {
      KtfDocumentReader reader;
      if (!reader.ReadFile(entry.path().c_str())) continue;
      for (const auto& document : reader.documents()) {
        Sample sample;
        sample.document = document;
        sample.path = dir + "/" + std::to_string(result.size()) + ".sgml";
        clKTF2SGML converter;
        (void)converter.fgKTF2SGML_RecoverTemplate(kTemplate.c_str(), sample.path.c_str());
        (void)converter.fgKTF2SGML_InsertDocument(document);
        recording = &sample.pieces;
        (void)converter.fgKTF2SGML_BuildSGMLFile();
        recording = nullptr;
        result.push_back(std::move(sample));
      }
    }
    return result;
  }();
  return samples;
}

// Everything a client does per document: new document, template, fields, file.
void BM_ConvertDocument(benchmark::State& state) {
  clKTF2SGML converter;
  for (auto _ : state) {
    for (const Sample& sample : Samples()) {
      (void)converter.fgKTF2SGML_NewDocument();
      (void)converter.fgKTF2SGML_RecoverTemplate(kTemplate.c_str(), sample.path.c_str());
      (void)converter.fgKTF2SGML_InsertDocument(sample.document);
      if (converter.fgKTF2SGML_BuildSGMLFile() != K2S_OK) state.SkipWithError("build failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Samples().size()));
}
BENCHMARK(BM_ConvertDocument)->UseRealTime();

// Writing alone: template read and fields inserted beforehand.
void BM_WriteDocument(benchmark::State& state) {
  std::vector<clKTF2SGML> converters(Samples().size());
  for (size_t i = 0; i < Samples().size(); ++i) {
    (void)converters[i].fgKTF2SGML_RecoverTemplate(kTemplate.c_str(), Samples()[i].path.c_str());
    (void)converters[i].fgKTF2SGML_InsertDocument(Samples()[i].document);
  }
  for (auto _ : state) {
    for (clKTF2SGML& converter : converters) {
      if (converter.fgKTF2SGML_BuildSGMLFile() != K2S_OK) state.SkipWithError("build failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Samples().size()));
}
BENCHMARK(BM_WriteDocument)->UseRealTime();

// The floor: the same bytes, one fwrite per piece.
void BM_FloorFwritePerPiece(benchmark::State& state) {
  for (auto _ : state) {
    for (const Sample& sample : Samples()) {
      FILE* file = std::fopen(sample.path.c_str(), "wb");
      for (const std::string& piece : sample.pieces)
        std::fwrite(piece.data(), 1, piece.size(), file);
      std::fclose(file);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Samples().size()));
}
BENCHMARK(BM_FloorFwritePerPiece)->UseRealTime();

}  // namespace

extern "C" bool __wrap__ZN14K2S_OutputFile5WriteEPKcm(void* self, const char* text, size_t length) {
  if (recording != nullptr) recording->emplace_back(text, length);
  return __real__ZN14K2S_OutputFile5WriteEPKcm(self, text, length);
}
