#include "session/SearchSession.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "platform/CMapStringToString.h"
#include "platform/ComError.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBatch = 10;          // documents asked in one request
constexpr size_t kShownLine = 100;  // characters of a line echoed in text
constexpr size_t kShownAbstract = 300;

std::string ToString(const CString& text) { return std::string(text.c_str(), text.GetLength()); }

// A line as it can be shown: control bytes as '?', long lines cut.
std::string Printable(const std::string& line) {
  std::string shown;
  for (size_t i = 0; i < line.size() && i < kShownLine; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    shown += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  }
  if (line.size() > kShownLine) shown += "... (" + std::to_string(line.size()) + " characters)";
  return shown;
}

// Text that JSON can carry: bytes that are not UTF-8 become U+FFFD.
std::string Dump(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string Field(const KtfDocumentReader::Document& document, const std::string& code) {
  for (const auto& [name, value] : document) {
    if (name == code) return value;
  }
  return "";
}

// The attributes of every element `name` of an XML text (libxml2, no
// network, no entities); empty when the text is not XML.
std::vector<std::map<std::string, std::string>> XmlElements(const std::string& xml,
                                                            const char* name) {
  std::vector<std::map<std::string, std::string>> found;
  xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) return found;
  std::vector<xmlNodePtr> pending = {xmlDocGetRootElement(document)};
  while (!pending.empty()) {
    xmlNodePtr node = pending.back();
    pending.pop_back();
    for (; node != nullptr; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) {
        std::map<std::string, std::string> attributes;
        for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
          xmlChar* value = xmlNodeListGetString(document, attribute->children, 1);
          attributes[reinterpret_cast<const char*>(attribute->name)] =
              value ? reinterpret_cast<const char*>(value) : "";
          xmlFree(value);
        }
        xmlChar* text = xmlNodeGetContent(node);
        attributes[""] = text ? reinterpret_cast<const char*>(text) : "";
        xmlFree(text);
        found.push_back(std::move(attributes));
      }
      if (node->children) pending.push_back(node->children);
    }
  }
  xmlFreeDoc(document);
  return found;
}

void AppendKtf(std::ofstream& out, const KtfDocumentReader::Document& document) {
  for (const auto& [code, value] : document) {
    out << code << '=';
    for (const char c : value) {
      if (c == '\\') {
        out << "\\\\";
      } else if (c == '\n') {
        out << "\\n";
      } else if (c == '\r') {
        out << "\\r";
      } else {
        out << c;
      }
    }
    out << '\n';
  }
  out << '\n';
}

}  // namespace

SearchSession::SearchSession(const ServerOptions& server, const Settings& settings,
                             VERGER_CONFIG& config)
    : server_(server),
      settings_(settings),
      config_(config),
      listener_(server, [this](const std::string& name,
                               const std::string& text) { ShowEvent(name, text); }),
      exporter_(settings.outDir) {
  registry_ = std::make_unique<InternetAccessControllers>(proxy_);
  CString url = server_.url.c_str();
  controller_ = &registry_->GetInternetAccessController(url);
}

void SearchSession::ShowEvent(const std::string& name, const std::string& text) {
  ++events_[name];
  eventTexts_[name] = text;
  if (settings_.json) {
    Json event;
    event["event"] = name;
    event["text"] = text;
    std::cout << Dump(event) << '\n';
  } else {
    text_.push_back("[server] " + text);
  }
}

// The registry says goodbye before the transport's failures are shown again.
SearchSession::~SearchSession() = default;

bool SearchSession::Run(std::string line) {
  if (ended_) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return true;
  ++lines_;
  text_.clear();
  Json result;
  result["line"] = line;
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  const VERGER_ERROR code = mode_.command(buffer.data(), &config_, command_);
  if (code != SYNTAX_OK) {
    ++refusedLines_;
    result["kind"] = "refused";
    result["error"] = mode_.geterrormsg(code);
    Say(std::string("not a valid line: ") + mode_.geterrormsg(code));
  } else {
    switch (command_.type) {
      case CMD_SEARCH:
        Search(result);
        break;
      case CMD_PRINT:
        Print(result, command_.print_list, command_.print_count);
        break;
      case CMD_KEEP:
        Keep(result, command_.keep_list, command_.keep_count);
        break;
      case CMD_BROWSE:
        Browse(result, command_.browse_number < 1 ? 1 : command_.browse_number);
        break;
      case CMD_ERASE:
        Erase(result);
        break;
      case CMD_HISTORY:
        History(result);
        break;
      case CMD_INFORMATION:
      case CMD_FIELDS:
      case CMD_HELP:
        AskServer(result, command_.type);
        break;
      case CMD_STOP:
        result["kind"] = "stop";
        Say("end of the session");
        ended_ = true;
        break;
      // The translator refuses LIST, SORT and UPDATE; they are listed so
      // that every kind has its place.
      case CMD_NONE:
      case CMD_LIST:
      case CMD_INDEX:
      case CMD_SAVE:
      case CMD_UPDATE:
      case CMD_SORT:
      case CMD_EXECUTE:
      case CMD_FILE:
        ++unsupported_;
        result["kind"] = "unsupported";
        result["error"] = "the search server has no operation for this command";
        Say("the search server has no operation for this command; nothing done");
        break;
    }
  }
  Emit(result);
  return !ended_;
}

void SearchSession::Say(const std::string& text) { text_.push_back(text); }

void SearchSession::Emit(const Json& result) {
  if (settings_.json) {
    std::cout << Dump(result) << std::endl;
    return;
  }
  if (settings_.echo) std::cout << "sorrel> " << Printable(result["line"]) << '\n';
  for (const std::string& text : text_) std::cout << "  " << text << '\n';
  std::cout.flush();
  text_.clear();
}

bool SearchSession::Call(Json& result, const std::function<bool()>& operation) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const size_t before = listener_.events().size();
    transportFailures_.Clear();
    bool delivered = false;
    try {
      delivered = operation();
    } catch (const _com_error& error) {
      result["error"] = "the server's login answer is not well-formed XML (" +
                        ToString(error.ErrorMessage()) + "): the session ends";
      Say(result["error"]);
      exitStatus_ = kBadAnswer;
      ended_ = true;
      return false;
    }
    const std::vector<std::string> seen(listener_.events().begin() + before,
                                        listener_.events().end());
    auto saw = [&](const char* name) { return std::count(seen.begin(), seen.end(), name) > 0; };
    if (delivered) {
      // The server asked for a login on the way, and the user's got in.
      if (saw("authenticationFailed") && !listener_.user().empty()) {
        ShowEvent("loggedIn", "logged in as " + listener_.user());
      }
      listener_.Rearm();
      return true;
    }
    // An operation inside this one (a set run again) has ended the session.
    if (ended_) return false;
    const std::string& failure = transportFailures_.last();
    if (saw("connectionFailed") || !failure.empty()) {
      const std::string why = failure.empty() ? "no answer" : failure;
      result["error"] = "the server does not answer (" + why + "): the session ends";
      Say(result["error"]);
      exitStatus_ = kServerGone;
      ended_ = true;
      return false;
    }
    if (listener_.refused() || saw("proxyAuthenticationRequired")) {
      result["error"] = "the login was refused: the session ends";
      Say(result["error"]);
      exitStatus_ = kLoginRefused;
      ended_ = true;
      return false;
    }
    // A session lost on the way (expired, closed elsewhere, forgotten by
    // the server) is opened again and the operation repeated once.
    if (!saw("sessionExpired") && !saw("unauthenticatedUser") && !saw("sharingAccount")) break;
    listener_.Rearm();
    ++generation_;
  }
  return false;
}

std::string SearchSession::RefusalReason(const std::string& question, bool run) {
  CString url = server_.url.c_str();
  HttpRequest request(url);
  request.SetParameter("iac_op", "2");
  request.SetParameter("iac_base", settings_.base.c_str());
  request.SetParameter("action", run ? "r" : "p");
  request.SetParameter("question", question.c_str());
  if (run) request.SetParameter("taille", "0");
  HttpController& transport = controller_->GetHttpController();
  std::unique_ptr<HttpResponse> response(transport.Connect(request, *controller_));
  if (!response->IsConnectionSuccessful() || response->GetStatusCode() == 200) return "";
  std::string reason = ToString(transport.FormatErrorMessage(*response));
  // "sorrel.server.QuestionException: column 13: ..." reads better without
  // the exception's name.
  const size_t named = reason.find("Exception: ");
  if (named != std::string::npos) reason = reason.substr(named + 11);
  return reason;
}

bool SearchSession::ServerForm(Json& result, const std::string& expression, std::string& question) {
  question.clear();
  size_t copied = 0;
  for (size_t at = expression.find('$'); at != std::string::npos;
       at = expression.find('$', at + 1)) {
    size_t end = at + 1;
    while (end < expression.size() && end - at <= 9 &&
           std::isdigit(static_cast<unsigned char>(expression[end])))
      ++end;
    if (end == at + 1) continue;
    const size_t number = std::stoul(expression.substr(at + 1, end - at - 1));
    if (number < 1 || number > sets_.size() || sets_[number - 1].erased) {
      result["error"] = "set " + std::to_string(number) +
                        (number >= 1 && number <= sets_.size() ? " was erased"
                                                               : " does not exist in this session");
      Say("refused: " + result["error"].get<std::string>());
      return false;
    }
    ResultSet& set = sets_[number - 1];
    // After a new login the server knows none of the earlier sets: the
    // question that made this one runs again.
    if (set.generation != generation_) {
      std::string again;
      Answer answer;
      if (!ServerForm(result, set.expression, again) || !Ask(result, again, 1, 0, answer)) {
        return false;
      }
      set.serverSet = std::atoi(answer.header["SET"].c_str());
      set.generation = generation_;
    }
    question += expression.substr(copied, at - copied) + "$" + std::to_string(set.serverSet);
    copied = end;
  }
  question += expression.substr(copied);
  return true;
}

void SearchSession::Search(Json& result) {
  const std::string expression = command_.expression ? command_.expression : "";
  result["kind"] = "search";
  result["expression"] = expression;
  CString base = settings_.base.c_str();
  CMapStringToString none;
  CString checked;
  std::string question;
  const bool accepted = Call(result, [&] {
    if (!ServerForm(result, expression, question)) return false;
    CString asked = question.c_str();
    checked = kUndelivered;
    controller_->ParseQuery(base, asked, none, checked, listener_);
    return Delivered(checked);
  });
  if (!accepted) {
    Refused(result, question, false);
    return;
  }
  KtfDocumentReader check;
  if (check.Parse(ToString(checked)) && !check.documents().empty()) {
    result["question"] = Field(check.documents()[0], "QUESTION");
  }
  Answer answer;
  if (!Ask(result, expression, 1, 0, answer)) return;
  ResultSet set;
  set.number = static_cast<int>(sets_.size()) + 1;
  set.serverSet = std::atoi(answer.header["SET"].c_str());
  set.generation = generation_;
  set.hits = std::atol(answer.header["HITS"].c_str());
  set.expression = expression;
  sets_.push_back(set);
  result["set"] = set.number;
  result["hits"] = set.hits;
  Say("set " + std::to_string(set.number) + ": " + std::to_string(set.hits) + " document" +
      (set.hits == 1 ? "" : "s") + "   " + Printable(expression));
}

void SearchSession::Refused(Json& result, const std::string& question, bool run) {
  if (ended_ || result.contains("error")) return;
  ++serverRefusals_;
  const std::string reason = RefusalReason(question, run);
  result["error"] = "the server refused the question" + (reason.empty() ? "" : ": " + reason);
  Say(result["error"]);
}

bool SearchSession::Ask(Json& result, const std::string& expression, int position, int count,
                        Answer& answer) {
  CString base = settings_.base.c_str();
  CMapStringToString none;
  CString output;
  std::string question;
  const bool delivered = Call(result, [&] {
    if (!ServerForm(result, expression, question)) return false;
    CString asked = question.c_str();
    output = kUndelivered;
    controller_->ExecuteQuery(base, asked, none, position, count, output, listener_);
    return Delivered(output);
  });
  if (!delivered) {
    Refused(result, question, true);
    return false;
  }
  KtfDocumentReader reader;
  if (!reader.Parse(ToString(output)) || reader.documents().empty()) {
    result["error"] = "the server's answer is not in KTF form: " + reader.error();
    Say(result["error"]);
    return false;
  }
  for (const auto& [code, value] : reader.documents()[0]) answer.header[code] = value;
  answer.documents.assign(reader.documents().begin() + 1, reader.documents().end());
  return true;
}

const SearchSession::ResultSet* SearchSession::LatestSet(Json& result) {
  for (auto set = sets_.rbegin(); set != sets_.rend(); ++set) {
    if (!set->erased) return &*set;
  }
  result["error"] = "no search has been run yet";
  Say("no search has been run yet: nothing to show");
  return nullptr;
}

std::vector<std::pair<int, KtfDocumentReader::Document>> SearchSession::FetchPositions(
    Json& result, const int32_t* positions, int32_t count) {
  std::vector<std::pair<int, KtfDocumentReader::Document>> documents;
  const ResultSet* set = LatestSet(result);
  if (set == nullptr) return documents;
  result["set"] = set->number;
  std::vector<int> wanted;
  Json missing = Json::array();
  for (int32_t i = 0; i < count; ++i) {
    if (positions[i] >= 1 && positions[i] <= set->hits) {
      wanted.push_back(positions[i]);
    } else {
      missing.push_back(positions[i]);
    }
  }
  if (!missing.empty()) {
    result["missing"] = missing;
    Say("set " + std::to_string(set->number) + " has " + std::to_string(set->hits) + " document" +
        (set->hits == 1 ? "" : "s") + ": " +
        (missing.size() <= 5 ? Dump(missing) : std::to_string(missing.size()) + " numbers") +
        " skipped");
  }
  // Consecutive positions go in one request, at most kBatch at a time.
  const int number = set->number;
  for (size_t i = 0; i < wanted.size() && !ended_;) {
    size_t run = 1;
    while (i + run < wanted.size() && run < kBatch && wanted[i + run] == wanted[i] + int(run))
      ++run;
    Answer answer;
    if (!Ask(result, "$" + std::to_string(number), wanted[i], static_cast<int>(run), answer)) {
      break;
    }
    for (size_t k = 0; k < answer.documents.size() && k < run; ++k) {
      documents.emplace_back(wanted[i] + static_cast<int>(k), answer.documents[k]);
    }
    i += run;
    if (wanted.size() > kBatch) ShowProgress(i, wanted.size());
  }
  return documents;
}

void SearchSession::ShowProgress(size_t done, size_t total) {
  if (!settings_.progress) return;
  constexpr size_t kWidth = 30;
  const size_t filled = total == 0 ? kWidth : done * kWidth / total;
  std::fprintf(stderr, "\r  fetching [%s%s] %zu/%zu", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), done, total);
  if (done >= total) std::fprintf(stderr, "\r%*s\r", static_cast<int>(kWidth + 40), "");
  std::fflush(stderr);
}

void SearchSession::Print(Json& result, const int32_t* positions, int32_t count) {
  result["kind"] = "print";
  Json documents = Json::array();
  for (const auto& [position, document] : FetchPositions(result, positions, count)) {
    CString url = server_.url.c_str();
    CString base = settings_.base.c_str();
    const DocumentExporter::Result made =
        exporter_.Export(document, [&](const std::string& name, std::string& bytes) {
          CString file = name.c_str();
          CString text;
          // A server that stops answering here ends the session: its
          // message goes with this line's result.
          const bool arrived = Call(result, [&] {
            text = kUndelivered;
            return controller_->GetTextFile(url, base, file, text, listener_) && Delivered(text);
          });
          if (arrived) bytes = ToString(text);
          return arrived;
        });
    ++printed_;
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
    Say(std::to_string(position) + "  " + made.number + "  " + Printable(made.title));
    if (!made.sgml.empty()) {
      Say("   " + made.sgml + "  (style sheet " + made.styleSheet + ")");
    }
    for (size_t i = 0; i < made.tiffs.size(); ++i) {
      Say("   " + made.tiffs[i] + (i < made.previews.size() ? ", " + made.previews[i] : ""));
    }
    for (const std::string& problem : made.problems) Say("   problem: " + problem);
    if (ended_) break;
  }
  result["documents"] = documents;
}

void SearchSession::Keep(Json& result, const int32_t* positions, int32_t count) {
  result["kind"] = "keep";
  const auto documents = FetchPositions(result, positions, count);
  if (documents.empty()) return;
  const std::string path = (fs::path(settings_.outDir) / "kept.ktf").string();
  // The session's first KEEP starts the file afresh; later ones add to it.
  const bool first = std::find(keptFiles_.begin(), keptFiles_.end(), path) == keptFiles_.end();
  std::ofstream out(path, std::ios::binary | (first ? std::ios::trunc : std::ios::app));
  Json numbers = Json::array();
  for (const auto& [position, document] : documents) {
    AppendKtf(out, document);
    numbers.push_back(Field(document, "PN"));
  }
  out.close();
  if (!out) {
    result["error"] = "cannot write " + path;
    Say(result["error"]);
    return;
  }
  if (first) keptFiles_.push_back(path);
  kept_ += documents.size();
  result["kept"] = numbers;
  result["file"] = path;
  Say("kept " + std::to_string(documents.size()) + " in " + path + ": " + Dump(numbers));
}

void SearchSession::Browse(Json& result, int number) {
  result["kind"] = "browse";
  const int32_t position = number;
  const auto documents = FetchPositions(result, &position, 1);
  if (documents.empty()) return;
  const auto& [at, document] = documents.front();
  ++shown_;
  Json fields = Json::object();
  for (const auto& [code, value] : document) {
    if (!fields.contains(code)) fields[code] = value;
  }
  result["position"] = at;
  result["document"] = fields;
  for (const char* code : {"PN", "TI", "PA", "IN", "PD", "IC"}) {
    std::string values;
    for (const auto& [name, value] : document) {
      if (name == code) values += (values.empty() ? "" : "; ") + value;
    }
    if (!values.empty()) Say(std::string(code) + "  " + Printable(values));
  }
  std::string abstract = Field(document, "AB");
  std::replace(abstract.begin(), abstract.end(), '\n', ' ');
  if (abstract.size() > kShownAbstract) abstract = abstract.substr(0, kShownAbstract) + "...";
  if (!abstract.empty()) Say("AB  " + abstract);
}

void SearchSession::Erase(Json& result) {
  result["kind"] = "erase";
  Json erased = Json::array();
  for (ResultSet& set : sets_) {
    bool chosen = command_.erase_mode != 2;
    for (int32_t i = 0; i < command_.erase_count && !chosen; ++i) {
      chosen = command_.erase_list[i] == set.number;
    }
    if (chosen && !set.erased) {
      set.erased = true;
      erased.push_back(set.number);
    }
  }
  result["erased"] = erased;
  Say(erased.empty() ? std::string("no set to erase") : "erased sets " + Dump(erased));
}

void SearchSession::History(Json& result) {
  result["kind"] = "history";
  Json sets = Json::array();
  for (const ResultSet& set : sets_) {
    if (set.erased) continue;
    sets.push_back({{"set", set.number}, {"hits", set.hits}, {"expression", set.expression}});
    Say("$" + std::to_string(set.number) + "  " + std::to_string(set.hits) + "  " +
        Printable(set.expression));
  }
  if (sets.empty()) Say("no sets");
  result["sets"] = sets;
}

void SearchSession::AskServer(Json& result, VERGER_COMMAND_TYPE type) {
  CString url = server_.url.c_str();
  CString base = settings_.base.c_str();
  CString output;
  bool delivered = false;
  if (type == CMD_HELP) {
    result["kind"] = "help";
    delivered = Call(result, [&] {
      CString file = "help.txt";
      output = kUndelivered;
      return controller_->GetTextFile(url, base, file, output, listener_) && Delivered(output);
    });
  } else {
    result["kind"] = type == CMD_FIELDS ? "fields" : "information";
    delivered = Call(result, [&] {
      output = kUndelivered;
      controller_->GetBaseInfo(url, base, output, listener_);
      return Delivered(output);
    });
  }
  if (!delivered) {
    if (!ended_) {
      ++serverRefusals_;
      result["error"] = "the server did not answer the request";
      Say(result["error"]);
    }
    return;
  }
  const std::string text = ToString(output);
  if (type == CMD_HELP) {
    result["text"] = text;
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find('\n', start);
      Say(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      start = end == std::string::npos ? text.size() : end + 1;
    }
  } else {
    Json fields = Json::array();
    for (auto& field : XmlElements(text, "field")) fields.push_back(field["code"]);
    result["fields"] = fields;
    if (type == CMD_INFORMATION) {
      for (auto& info : XmlElements(text, "base")) {
        result["documents"] = info["documents"];
        Say(info["name"] + ": " + info["documents"] + " documents");
      }
      for (auto& title : XmlElements(text, "title")) Say(title[""]);
      Json files = Json::array();
      for (auto& file : XmlElements(text, "file")) files.push_back(file["name"]);
      result["files"] = files;
      Say("files: " + Dump(files));
    }
    Say("fields: " + Dump(fields));
  }
}

int SearchSession::Finish() {
  const std::vector<std::string>& files = exporter_.files();
  std::vector<std::string> all = files;
  all.insert(all.end(), keptFiles_.begin(), keptFiles_.end());
  auto count = [&](const char* extension) {
    return std::count_if(all.begin(), all.end(), [&](const std::string& file) {
      return fs::path(file).extension() == extension;
    });
  };
  Json summary;
  summary["lines"] = lines_;
  summary["refused_lines"] = refusedLines_;
  summary["server_refusals"] = serverRefusals_;
  summary["unsupported"] = unsupported_;
  Json sets = Json::array();
  for (const ResultSet& set : sets_) sets.push_back({{"set", set.number}, {"hits", set.hits}});
  summary["sets"] = sets;
  summary["printed"] = printed_;
  summary["kept"] = kept_;
  summary["shown"] = shown_;
  summary["files"] = all;
  summary["events"] = events_;
  summary["exit"] = exitStatus_;
  if (settings_.json) {
    std::cout << Dump(Json{{"summary", summary}}) << '\n';
    return exitStatus_;
  }
  std::cout << "\nFiles made in " << settings_.outDir << ":\n";
  for (const std::string& file : all)
    std::cout << "  " << fs::path(file).filename().string() << '\n';
  std::cout << "\nSummary\n";
  std::cout << "  lines          " << lines_ << " run: " << refusedLines_ << " not valid VERGER, "
            << serverRefusals_ << " refused by the server, " << unsupported_
            << " without a server operation\n";
  std::cout << "  searches       " << sets_.size() << " sets:";
  for (const ResultSet& set : sets_) std::cout << " $" << set.number << "=" << set.hits;
  std::cout << "\n  documents      " << printed_ << " printed, " << kept_ << " kept, " << shown_
            << " shown\n";
  std::cout << "  files          " << count(".sgml") << " SGML, " << count(".tif") << " TIFF, "
            << count(".png") << " PNG, " << count(".css") << " style sheets"
            << (keptFiles_.empty() ? "" : ", kept.ktf") << '\n';
  std::cout << "  server events ";
  const char* separator = " ";
  for (const auto& [name, times] : events_) {
    std::cout << separator << eventTexts_[name] << " (" << times << ")";
    separator = "; ";
  }
  if (events_.empty()) std::cout << " none";
  std::cout << '\n';
  if (exitStatus_ == kServerGone) std::cout << "  ended early: the server stopped answering\n";
  if (exitStatus_ == kLoginRefused) std::cout << "  ended early: the login was refused\n";
  return exitStatus_;
}
