#include "session/CommandDispatcher.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/DiagnosticSink.h"
#include "session/BaseInformation.h"
#include "session/SessionText.h"
#include "session/Windows1252.h"

namespace {

constexpr size_t kShownAbstract = 300;   // characters of an abstract that BROWSE shows
constexpr size_t kMostMissingShown = 5;  // skipped positions named one by one

using Document = KtfDocumentReader::Document;

std::string Field(const Document& document, const std::string& code) {
  for (const auto& [name, value] : document) {
    if (name == code) return value;
  }
  return "";
}

// A document of the server's as the session shows it: its values in UTF-8.
Document Utf8Document(const Document& fetched) {
  Document shown;
  for (const auto& [code, value] : fetched) shown.Add(code, Windows1252ToUtf8(value));
  return shown;
}

std::vector<int> Numbers(const int32_t* list, int32_t count) {
  return count > 0 ? std::vector<int>(list, list + count) : std::vector<int>();
}

std::string Documents(long count) {
  return std::to_string(count) + " document" + (count == 1 ? "" : "s");
}

}  // namespace

CommandDispatcher::CommandDispatcher(SessionExchange& exchange, SessionSets& sets,
                                     DocumentExporter& exporter, KeptFile& kept, SessionSink& sink,
                                     SessionSummary& tally)
    : exchange_(exchange),
      sets_(sets),
      exporter_(exporter),
      kept_(kept),
      sink_(sink),
      tally_(tally) {}

void CommandDispatcher::Run(const KTF_COMMAND& command, LineResult& result) {
  switch (command.type) {
    case CMD_SEARCH:
      Search(command.expression ? command.expression : "", result);
      break;
    case CMD_PRINT:
      Print(Numbers(command.print_list, command.print_count), result);
      break;
    case CMD_KEEP:
      Keep(Numbers(command.keep_list, command.keep_count), result);
      break;
    case CMD_BROWSE:
      Browse(command.browse_number < 1 ? 1 : command.browse_number, result);
      break;
    case CMD_ERASE:
      Erase(command, result);
      break;
    case CMD_HISTORY:
      History(result);
      break;
    case CMD_INFORMATION:
    case CMD_FIELDS:
      Information(command.type == CMD_FIELDS, result);
      break;
    case CMD_HELP:
      Help(result);
      break;
    case CMD_STOP:
      result.kind = LineResult::Kind::kStop;
      Say("end of the session");
      exchange_.Stop();
      break;
    // The translator refuses LIST, SORT and UPDATE; they are listed so that
    // every kind has its place.
    case CMD_NONE:
    case CMD_LIST:
    case CMD_INDEX:
    case CMD_SAVE:
    case CMD_UPDATE:
    case CMD_SORT:
    case CMD_EXECUTE:
    case CMD_FILE:
      Unsupported(result);
      break;
  }
}

void CommandDispatcher::Search(const std::string& expression, LineResult& result) {
  result.kind = LineResult::Kind::kSearch;
  result.expression = expression;
  std::string checked;
  if (!exchange_.Check(result, expression, checked)) return;
  KtfDocumentReader check;
  if (check.Parse(checked) && !check.documents().empty()) {
    result.question = Windows1252ToUtf8(Field(check.documents()[0], "QUESTION"));
  } else {
    ReportDiagnostic(
        DiagnosticLevel::kDebug,
        ("(CommandDispatcher) the server's check is not in KTF form: " + check.error()).c_str());
  }
  SessionExchange::Answer answer;
  if (!exchange_.Ask(result, expression, 1, 0, answer)) return;
  const SessionSets::Set& set = sets_.Add(std::atoi(answer.header["SET"].c_str()),
                                          std::atol(answer.header["HITS"].c_str()), expression);
  result.set = set.number;
  result.hits = set.hits;
  Say("set " + std::to_string(set.number) + ": " + Documents(set.hits) + "   " +
      Printable(expression));
}

std::vector<std::pair<int, Document>> CommandDispatcher::FetchLatest(
    const std::vector<int>& positions, LineResult& result) {
  const SessionSets::Set* set = sets_.Latest();
  if (set == nullptr) {
    result.error = "no search has been run yet";
    Say("no search has been run yet: nothing to show");
    return {};
  }
  const int number = set->number;
  const long hits = set->hits;
  result.set = number;
  std::vector<int> wanted, missing;
  for (const int position : positions) {
    (position >= 1 && position <= hits ? wanted : missing).push_back(position);
  }
  if (!missing.empty()) {
    result.missing = missing;
    Say("set " + std::to_string(number) + " has " + Documents(hits) + ": " +
        (missing.size() <= kMostMissingShown ? ListText(missing)
                                             : std::to_string(missing.size()) + " numbers") +
        " skipped");
  }
  return exchange_.Fetch(result, number, wanted);
}

void CommandDispatcher::Print(const std::vector<int>& positions, LineResult& result) {
  result.kind = LineResult::Kind::kPrint;
  std::vector<LineResult::Printed> printed;
  for (const auto& [position, document] : FetchLatest(positions, result)) {
    // A server that stops answering while a page comes ends the session:
    // its message goes with this line's result.
    DocumentExporter::Result made =
        exporter_.Export(document, [&](const std::string& name, std::string& bytes) {
          return exchange_.TextFile(result, name, bytes);
        });
    // The files keep the server's code page; what is shown is UTF-8.
    made.number = Windows1252ToUtf8(made.number);
    made.title = Windows1252ToUtf8(made.title);
    ++tally_.printed;
    printed.push_back({position, made});
    SayPrinted(position, made);
    if (exchange_.ended() || exchange_.interrupted()) break;
  }
  const size_t done = printed.size();
  result.printed = std::move(printed);
  Interrupted(done, positions, result);
}

void CommandDispatcher::SayPrinted(int position, const DocumentExporter::Result& made) {
  Say(std::to_string(position) + "  " + made.number + "  " + Printable(made.title));
  if (!made.sgml.empty()) Say("   " + made.sgml + "  (style sheet " + made.styleSheet + ")");
  for (size_t i = 0; i < made.tiffs.size(); ++i) {
    Say("   " + made.tiffs[i] + (i < made.previews.size() ? ", " + made.previews[i] : ""));
  }
  for (const std::string& problem : made.problems) Say("   problem: " + problem);
}

void CommandDispatcher::Keep(const std::vector<int>& positions, LineResult& result) {
  result.kind = LineResult::Kind::kKeep;
  std::vector<Document> documents;
  std::vector<std::string> numbers;
  for (auto& [position, document] : FetchLatest(positions, result)) {
    numbers.push_back(Windows1252ToUtf8(Field(document, "PN")));
    documents.push_back(std::move(document));
  }
  Interrupted(documents.size(), positions, result);
  if (documents.empty()) return;
  const bool first = !kept_.written();
  if (!kept_.Append(documents)) {
    result.error = "cannot write " + kept_.path();
    Say(*result.error);
    return;
  }
  tally_.kept += documents.size();
  result.kept = numbers;
  result.file = kept_.path();
  Say("kept " + std::to_string(documents.size()) + " in " + kept_.path() + ": " +
      ListText(numbers));
  if (first && kept_.continued()) Say("(added after the documents kept by an earlier session)");
}

void CommandDispatcher::Browse(int number, LineResult& result) {
  result.kind = LineResult::Kind::kBrowse;
  const auto documents = FetchLatest({number}, result);
  if (documents.empty()) return;
  const int at = documents.front().first;
  const Document document = Utf8Document(documents.front().second);
  ++tally_.shown;
  std::vector<std::pair<std::string, std::string>> fields;
  for (const auto& field : document) {
    const auto known = [&](const auto& shown) { return shown.first == field.first; };
    if (std::none_of(fields.begin(), fields.end(), known)) fields.emplace_back(field);
  }
  result.position = at;
  result.document = fields;
  for (const char* code : {"PN", "TI", "PA", "IN", "PD", "IC"}) {
    std::string values;
    for (const auto& [name, value] : document) {
      if (name == code) values += (values.empty() ? "" : "; ") + value;
    }
    if (!values.empty()) Say(std::string(code) + "  " + Printable(values));
  }
  std::string abstract = Field(document, "AB");
  std::replace(abstract.begin(), abstract.end(), '\n', ' ');
  if (abstract.size() > kShownAbstract) {
    // Cut between characters, not inside a UTF-8 sequence.
    size_t cut = kShownAbstract;
    while (cut > 0 && (abstract[cut] & 0xC0) == 0x80) --cut;
    abstract = abstract.substr(0, cut) + "...";
  }
  if (!abstract.empty()) Say("AB  " + abstract);
}

void CommandDispatcher::Erase(const KTF_COMMAND& command, LineResult& result) {
  result.kind = LineResult::Kind::kErase;
  // Modes 0 (SSZERO) and 1 (ALL) erase every set; mode 2 the listed ones.
  const bool all = command.erase_mode != 2;
  const std::vector<int> erased =
      sets_.Erase(all, all ? std::vector<int>() : Numbers(command.erase_list, command.erase_count));
  result.erased = erased;
  Say(erased.empty() ? std::string("no set to erase") : "erased sets " + ListText(erased));
}

void CommandDispatcher::History(LineResult& result) {
  result.kind = LineResult::Kind::kHistory;
  std::vector<LineResult::HistorySet> shown;
  for (const SessionSets::Set& set : sets_.sets()) {
    if (set.erased) continue;
    shown.push_back({set.number, set.hits, set.expression});
    Say("$" + std::to_string(set.number) + "  " + std::to_string(set.hits) + "  " +
        Printable(set.expression));
  }
  if (shown.empty()) Say("no sets");
  result.sets = shown;
}

void CommandDispatcher::Help(LineResult& result) {
  result.kind = LineResult::Kind::kHelp;
  std::string text;
  if (!exchange_.TextFile(result, "help.txt", text)) {
    NotAnswered(result);
    return;
  }
  text = Windows1252ToUtf8(text);
  result.text = text;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    Say(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
}

void CommandDispatcher::Information(bool fieldsOnly, LineResult& result) {
  result.kind = fieldsOnly ? LineResult::Kind::kFields : LineResult::Kind::kInformation;
  std::string xml;
  if (!exchange_.BaseInfo(result, xml)) {
    NotAnswered(result);
    return;
  }
  const BaseInformation information = BaseInformation::Parse(xml);
  result.fields = information.fields;
  if (!fieldsOnly) {
    for (const BaseInformation::Base& base : information.bases) {
      result.baseDocuments = base.documents;
      Say(base.name + ": " + base.documents + " documents");
    }
    for (const std::string& title : information.titles) Say(title);
    result.files = information.files;
    Say("files: " + ListText(information.files));
  }
  Say("fields: " + ListText(information.fields));
}

void CommandDispatcher::Interrupted(size_t done, const std::vector<int>& positions,
                                    LineResult& result) {
  // Positions past the set's end were skipped, not left undone.
  const size_t wanted = positions.size() - (result.missing ? result.missing->size() : 0);
  if (!exchange_.interrupted() || done >= wanted || exchange_.ended()) return;
  result.error =
      "interrupted: " + std::to_string(done) + " of " + std::to_string(wanted) + " documents done";
  Say(*result.error + " (the files of those are whole)");
}

void CommandDispatcher::NotAnswered(LineResult& result) {
  if (exchange_.ended()) return;
  ++tally_.serverRefusals;
  result.error = "the server did not answer the request";
  Say(*result.error);
}

void CommandDispatcher::Unsupported(LineResult& result) {
  ++tally_.unsupported;
  result.kind = LineResult::Kind::kUnsupported;
  result.error = "the search server has no operation for this command";
  Say("the search server has no operation for this command; nothing done");
}
