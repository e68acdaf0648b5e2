#include "web/WebSessionSink.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <utility>


namespace {

using Json = nlohmann::json;

std::string Named(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

Json Names(const std::vector<std::string>& paths) {
  Json names = Json::array();
  for (const std::string& path : paths) names.push_back(Named(path));
  return names;
}

// The column (from 1) that a refused line's error names, 0 when none.
long ErrorColumn(const std::string& error) {
  static const std::regex column(R"(\(column ([0-9]+)\)$)");
  std::smatch match;
  return std::regex_search(error, match, column) ? std::atol(match[1].str().c_str()) : 0;
}

// The fields of ERASE, HISTORY, HELP, FIELDS, INFORMATION, KEEP and BROWSE.
void AddSessionFields(const LineResult& result, Json& json) {
  if (result.erased) json["erased"] = *result.erased;
  if (result.sets) {
    Json sets = Json::array();
    for (const LineResult::HistorySet& set : *result.sets) {
      sets.push_back({{"set", set.set}, {"hits", set.hits}, {"expression", set.expression}});
    }
    json["sets"] = sets;
  }
  if (result.text) json["text"] = *result.text;
  if (result.kept) {
    json["kept"] = *result.kept;
    json["file"] = Named(result.file.value_or(""));
  }
  if (result.position) json["position"] = *result.position;
  if (result.document) {
    Json fields = Json::array();
    for (const auto& [code, value] : *result.document) fields.push_back({code, value});
    json["document"] = fields;
  }
}

}  // namespace

Json WebSessionSink::PrintedJson(int position, const DocumentExporter::Result& made) {
  return {{"position", position},
          {"number", made.number},
          {"title", made.title},
          {"sgml", Named(made.sgml)},
          {"style_sheet", made.styleSheet},
          {"tiff", Names(made.tiffs)},
          {"png", Names(made.previews)},
          {"problems", made.problems}};
}

void WebSessionSink::Text(const std::string& text) { text_.push_back(text); }

void WebSessionSink::Event(const ServerEvent& event) { Notice(event.Name(), event.text); }

void WebSessionSink::Notice(const std::string& name, const std::string& text) {
  notices_.push_back({{"event", name}, {"text", text}});
}

void WebSessionSink::Progress(size_t, size_t) {}

void WebSessionSink::Result(const LineResult& result) {
  Json json;
  json["line"] = result.line;
  json["kind"] = result.KindName();
  if (result.error) {
    json["error"] = *result.error;
    if (const long column = ErrorColumn(*result.error); column > 0) json["column"] = column;
  }
  if (result.expression) json["expression"] = *result.expression;
  if (result.set) json["set"] = *result.set;
  if (result.hits) json["hits"] = *result.hits;
  if (result.missing) json["missing"] = *result.missing;
  if (result.printed) {
    Json documents = Json::array();
    for (const auto& [position, made] : *result.printed) {
      documents.push_back(PrintedJson(position, made));
    }
    json["documents"] = documents;
  }
  if (result.fields) json["fields"] = *result.fields;
  AddSessionFields(result, json);
  result_ = std::move(json);
}

void WebSessionSink::Summary(const SessionSummary&) {}

Json WebSessionSink::TakeOutput() {
  Json output = {{"text", text_}, {"result", result_.is_null() ? Json::object() : result_}};
  text_.clear();
  result_ = nullptr;
  return output;
}

Json WebSessionSink::TakeNotices() {
  Json notices = std::move(notices_);
  notices_ = Json::array();
  return notices;
}
