#include "tools/JsonSessionSink.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "session/SessionText.h"

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json PrintedJson(const std::vector<LineResult::Printed>& printed) {
  Json documents = Json::array();
  for (const auto& [position, made] : printed) {
    Json entry;
    entry["position"] = position;
    entry["number"] = made.number;
    entry["title"] = made.title;
    entry["sgml"] = made.sgml;
    entry["style_sheet"] = made.styleSheet;
    entry["tiff"] = made.tiffs;
    entry["png"] = made.previews;
    if (!made.problems.empty()) entry["problems"] = made.problems;
    documents.push_back(entry);
  }
  return documents;
}

// The fields of the documents that PRINT, KEEP and BROWSE fetched.
void AddDocumentFields(const LineResult& result, Json& json) {
  if (result.printed) json["documents"] = PrintedJson(*result.printed);
  if (result.kept) json["kept"] = *result.kept;
  if (result.file) json["file"] = *result.file;
  if (result.position) json["position"] = *result.position;
  if (result.document) {
    Json fields = Json::object();
    for (const auto& [code, value] : *result.document) fields[code] = value;
    json["document"] = fields;
  }
}

// The fields of ERASE, HISTORY, HELP, FIELDS and INFORMATION.
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
  if (result.fields) json["fields"] = *result.fields;
  if (result.baseDocuments) json["documents"] = *result.baseDocuments;
  if (result.files) json["files"] = *result.files;
}

// The fields of SAVE, EXECUTE, FILE and INDEX, and the line's notices.
void AddLanguageFields(const LineResult& result, Json& json) {
  if (!result.notices.empty()) json["notices"] = result.notices;
  if (result.strategy) json["strategy"] = *result.strategy;
  if (result.strategyFile) json["strategy_file"] = *result.strategyFile;
  if (result.executed) {
    Json questions = Json::array();
    for (const LineResult::Executed& run : *result.executed) {
      Json question = {{"number", run.number}, {"saved_set", run.savedSet}, {"line", run.line}};
      if (run.set) question["set"] = *run.set;
      if (run.set) question["hits"] = run.hits;
      if (run.error) question["error"] = *run.error;
      questions.push_back(question);
    }
    json["executed"] = questions;
  }
  if (result.base) json["base"] = *result.base;
  if (result.terms) {
    Json terms = Json::array();
    for (const auto& [term, documents] : *result.terms) {
      terms.push_back({{"term", term}, {"documents", documents}});
    }
    json["terms"] = terms;
  }
}

}  // namespace

void JsonSessionSink::Text(const std::string& text) { output_.push_back(text); }

void JsonSessionSink::Event(const ServerEvent& event) {
  Json json;
  json["event"] = event.Name();
  json["text"] = event.text;
  std::cout << Dump(json) << '\n';
}

void JsonSessionSink::Progress(size_t, size_t) {}

void JsonSessionSink::Result(const LineResult& result) {
  Json json;
  json["line"] = result.line;
  json["kind"] = result.KindName();
  if (result.expression) json["expression"] = *result.expression;
  if (result.question) json["question"] = *result.question;
  if (result.set) json["set"] = *result.set;
  if (result.hits) json["hits"] = *result.hits;
  if (result.missing) json["missing"] = *result.missing;
  if (result.error) json["error"] = *result.error;
  AddDocumentFields(result, json);
  AddSessionFields(result, json);
  AddLanguageFields(result, json);
  json["time"] = UtcNow();
  json["output"] = output_;
  output_.clear();
  std::cout << Dump(json) << std::endl;
}

void JsonSessionSink::Summary(const SessionSummary& summary) {
  Json json;
  json["lines"] = summary.lines;
  json["refused_lines"] = summary.refusedLines;
  json["server_refusals"] = summary.serverRefusals;
  json["unsupported"] = summary.unsupported;
  Json sets = Json::array();
  for (const auto& [number, hits] : summary.sets) sets.push_back({{"set", number}, {"hits", hits}});
  json["sets"] = sets;
  json["printed"] = summary.printed;
  json["kept"] = summary.kept;
  json["shown"] = summary.shown;
  json["files"] = summary.files;
  if (summary.keptContinued) json["kept_added_to_earlier"] = true;
  Json events = Json::object();
  for (const auto& [name, count] : summary.events) events[name] = count.times;
  json["events"] = events;
  if (!summary.transcript.empty()) json["transcript"] = summary.transcript;
  json["exit"] = summary.exitStatus;
  std::cout << Dump(Json{{"summary", json}}) << '\n';
}
