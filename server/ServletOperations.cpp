#include "server/ServletOperations.h"

#include <strings.h>

#include <algorithm>

#include "ktf/KtfDocumentWriter.h"
#include "server/Latin1.h"
#include "server/Markup.h"
#include "server/QueryParser.h"
#include "server/TermIndex.h"

void ServletOperations::Run(const RequestParams& params, const std::string& session, bool xmlServer,
                            Answer& answer) {
  std::string op = params.Get("iac_op");
  std::string action = params.Get("action");
  std::string baseName = params.Get("iac_base", params.Get("base"));
  if (op.empty()) {
    if (!xmlServer) {
      answer.Fail(400, "MissingParameterException", "iac_op is required");
      return;
    }
    // The XML-server variant names no operation: the action says it.
    op = action == "f" ? "3" : (action == "r" || action == "p" || !baseName.empty()) ? "2" : "1";
    if (action.empty()) action = "infos";
  }
  if (op == "1") {
    if (action != "infos") {
      answer.Fail(400, "UnknownOperationException",
                  "iac_op 1 knows only action=infos, not \"" + action + "\"");
      return;
    }
    DatabaseList(answer);
    return;
  }
  if (op != "2" && op != "3") {
    answer.Fail(400, "UnknownOperationException",
                "iac_op \"" + op + "\" is not an operation (1, 2 or 3)");
    return;
  }
  if (baseName.empty()) {
    answer.Fail(400, "MissingParameterException", "iac_base is required");
    return;
  }
  PatentBase* base = FindBase(baseName);
  if (base == nullptr) {
    answer.Fail(404, "UnknownBaseException", "no base named \"" + baseName + "\"");
  } else if (op == "3") {
    BaseFile(*base, action, params, answer);
  } else if (action == "infos") {
    BaseInfo(*base, answer);
  } else if (action == "r" || action == "p") {
    RunQuestion(*base, params, session, action == "r", answer);
  } else {
    answer.Fail(400, "UnknownOperationException",
                "iac_op 2 knows action=infos, r and p, not \"" + action + "\"");
  }
}

PatentBase* ServletOperations::FindBase(const std::string& name) {
  for (auto& base : bases_) {
    if (strcasecmp(base->Name().c_str(), name.c_str()) == 0) return base.get();
  }
  return nullptr;
}

void ServletOperations::DatabaseList(Answer& answer) {
  answer.contentType = "text/xml; charset=UTF-8";
  answer.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<databases>\n";
  for (const auto& base : bases_) {
    answer.body += "  <database name=\"" + Markup::Escape(base->Name()) + "\" documents=\"" +
                   std::to_string(base->Engine().DocumentCount()) + "\" title=\"" +
                   Markup::Escape(base->Title()) + "\"/>\n";
  }
  answer.body += "</databases>\n";
}

void ServletOperations::BaseInfo(PatentBase& base, Answer& answer) {
  answer.contentType = "text/xml; charset=UTF-8";
  std::string& xml = answer.body;
  xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<base name=\"" + Markup::Escape(base.Name()) +
        "\" documents=\"" + std::to_string(base.Engine().DocumentCount()) + "\">\n  <title>" +
        Markup::Escape(base.Title()) + "</title>\n  <fields>\n";
  for (const auto& [code, type] : QueryParser::Fields()) {
    const char* name = type == QueryParser::FieldType::kText     ? "text"
                       : type == QueryParser::FieldType::kNumber ? "number"
                                                                 : "date";
    xml += "    <field code=\"" + code + "\" type=\"" + name + "\"/>\n";
  }
  xml += "  </fields>\n  <files>\n";
  for (const auto& file : base.FileNames()) {
    xml += "    <file name=\"" + Markup::Escape(file) + "\"/>\n";
  }
  xml += "  </files>\n</base>\n";
}

void ServletOperations::BaseFile(PatentBase& base, const std::string& action,
                                 const RequestParams& params, Answer& answer) {
  if (action != "f") {
    answer.Fail(400, "UnknownOperationException",
                "iac_op 3 knows only action=f, not \"" + action + "\"");
    return;
  }
  std::string file = params.Get("iac_file", params.Get("file"));
  if (file.empty()) {
    answer.Fail(400, "MissingParameterException", "iac_file is required");
    return;
  }
  if (IndexFile(base, file, answer)) return;
  if (!base.ReadFile(file, answer.body)) {
    answer.Fail(404, "FileNotFoundException",
                "base " + base.Name() + " has no file \"" + file + "\"");
    return;
  }
  bool text = file.size() > 4 && (file.ends_with(".txt") || file.ends_with(".ini") ||
                                  file.ends_with(".ktf") || file.ends_with(".xml"));
  answer.contentType = text ? "text/plain; charset=windows-1252" : "application/octet-stream";
}

void ServletOperations::RunQuestion(PatentBase& base, const RequestParams& params,
                                    const std::string& session, bool run, Answer& answer) {
  if (!params.Has("question")) {
    answer.Fail(400, "MissingParameterException", "question is required");
    return;
  }
  QueryNode root;
  std::string error;
  if (!QueryParser::Parse(params.Get("question"), root, error)) {
    answer.Fail(400, "QuestionException", error);
    return;
  }
  if (!run) {
    answer.body = "STATUS=OK\nQUESTION=" + KtfDocumentWriter::Escape(root.ToString()) + "\n";
    return;
  }
  size_t position = 1, size = 10;
  if (!params.ReadCount("position", position) || position == 0 ||
      !params.ReadCount("taille", size)) {
    answer.Fail(400, "ParameterException",
                "position must be a number from 1 and taille a number from 0");
    return;
  }
  AnswerHits(base, root, position, std::min(size, maxRecords_), session, answer);
}

void ServletOperations::AnswerHits(PatentBase& base, const QueryNode& root, size_t position,
                                   size_t size, const std::string& session, Answer& answer) {
  auto hits = std::make_shared<SearchEngine::HitList>();
  SearchEngine::Sets sets = session.empty() ? SearchEngine::Sets{} : sessions_.SetsOf(session);
  std::string error;
  if (!base.Engine().Run(root, sets, *hits, error)) {
    bool engineFault = error.rfind("search engine:", 0) == 0;
    answer.Fail(engineFault ? 500 : 400,
                engineFault ? "SearchEngineException" : "QuestionException", error);
    return;
  }
  std::vector<std::string> documents;
  if (!base.Engine().Fetch(*hits, position, size, documents, error)) {
    answer.Fail(500, "SearchEngineException", error);
    return;
  }
  size_t count = hits->size();
  // A question that only names an earlier set (paging through "$2") answers
  // as that set and makes no new one.
  int set = session.empty()                         ? 0
            : root.kind == QueryNode::Kind::kSetRef ? root.set
                                                    : sessions_.AddSet(session, std::move(hits));
  std::string& text = answer.body;
  text = "HITS=" + std::to_string(count) + "\nPOSITION=" + std::to_string(position) +
         "\nRECORDS=" + std::to_string(documents.size()) + "\n";
  if (set > 0) text += "SET=" + std::to_string(set) + "\n";
  for (const auto& document : documents) text += "\n" + document;
}

bool ServletOperations::IndexFile(PatentBase& base, const std::string& file, Answer& answer) {
  std::string field, term;
  if (!TermIndex::Parse(file, field, term)) return false;
  QueryParser::FieldType type;
  if (!QueryParser::TypeOf(field, type) || type != QueryParser::FieldType::kText) {
    answer.Fail(404, "FileNotFoundException",
                "base " + base.Name() + " has no term index of field \"" + field + "\"");
    return true;
  }
  SearchEngine::TermCounts terms;
  std::string error;
  if (!base.Engine().Terms(field, Latin1ToUtf8(term), terms, error)) {
    answer.Fail(500, "SearchEngineException", error);
    return true;
  }
  answer.body = TermIndex::Text(terms);
  answer.contentType = "text/plain; charset=windows-1252";
  return true;
}
