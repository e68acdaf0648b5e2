#include "server/PatentRegister.h"

#include <string>

#include "ktf/KtfDocumentReader.h"
#include "platform/DiagnosticSink.h"
#include "server/Markup.h"

namespace {

// Splits "FIRST SECOND REST" at its first two spaces; false when it has fewer.
bool SplitThree(const std::string& value, std::string& first, std::string& second,
                std::string& rest) {
  size_t one = value.find(' ');
  size_t two = value.find(' ', one == std::string::npos ? one : one + 1);
  if (one == std::string::npos || two == std::string::npos) return false;
  first = value.substr(0, one);
  second = value.substr(one + 1, two - one - 1);
  rest = value.substr(two + 1);
  return true;
}

// <outer><inner>value</inner>...</outer> over the values of `code`.
std::string List(const KtfDocument& doc, const std::string& outer, const std::string& inner,
                 const char* code) {
  std::string xml = "    <" + outer + ">";
  for (const auto& value : doc.Values(code)) {
    xml += "<" + inner + ">" + Markup::Escape(value) + "</" + inner + ">";
  }
  return xml + "</" + outer + ">\n";
}

std::string Biblio(const KtfDocument& doc) {
  std::string xml = "  <biblio>\n    <title>" + Markup::Escape(doc.First("TI")) + "</title>\n";
  xml += List(doc, "applicants", "applicant", "PA");
  xml += List(doc, "inventors", "inventor", "IN");
  xml += "    <dates><publication>" + Markup::Escape(doc.First("PD")) +
         "</publication><application>" + Markup::Escape(doc.First("AD")) +
         "</application><priority>" + Markup::Escape(doc.First("PRD")) + "</priority></dates>\n";
  xml += "    <classification>";
  for (const auto& value : doc.Values("IC")) xml += "<ipc>" + Markup::Escape(value) + "</ipc>";
  for (const auto& value : doc.Values("CPC")) xml += "<cpc>" + Markup::Escape(value) + "</cpc>";
  return xml + "</classification>\n  </biblio>\n";
}

// The register entry's family members, each "CC NUMBER KIND".
std::string Family(const KtfDocument* entry) {
  std::string xml = "  <family>\n";
  std::string country, number, kind;
  for (const auto& member : entry ? entry->Values("FM") : std::vector<std::string>{}) {
    if (!SplitThree(member, country, number, kind)) continue;
    xml += "    <member country=\"" + Markup::Escape(country) + "\" number=\"" +
           Markup::Escape(number) + "\" kind=\"" + Markup::Escape(kind) + "\"/>\n";
  }
  return xml + "  </family>\n";
}

// The register entry's legal events, each "DATE CODE TEXT".
std::string Legal(const KtfDocument* entry) {
  std::string xml = "  <legal>\n";
  std::string date, code, text;
  for (const auto& event : entry ? entry->Values("LE") : std::vector<std::string>{}) {
    if (!SplitThree(event, date, code, text)) continue;
    xml += "    <event date=\"" + Markup::Escape(date) + "\" code=\"" + Markup::Escape(code) +
           "\">" + Markup::Escape(text) + "</event>\n";
  }
  return xml + "  </legal>\n";
}

}  // namespace

void PatentRegister::Lookup(const RequestParams& params, Answer& answer) {
  answer.contentType = "text/plain; charset=UTF-8";
  for (const char* name : {"country", "number", "kind"}) {
    if (params.Get(name).empty()) {
      answer.status = 400;
      answer.body = std::string("missing parameter ") + name + "\n";
      return;
    }
  }
  std::string number =
      params.Get("country") + " " + params.Get("number") + " " + params.Get("kind");
  std::string text;
  const PatentBase* owner = nullptr;
  for (auto& base : bases_) {
    if (base->Engine().FindByNumber(number, text)) {
      owner = base.get();
      break;
    }
  }
  KtfDocumentReader found;
  if (owner == nullptr || !found.Parse(text) || found.documents().empty()) {
    if (!found.error().empty()) {
      ReportDiagnostic(DiagnosticLevel::kDebug, ("register: the stored document of " + number +
                                                 " does not read: " + found.error())
                                                    .c_str());
    }
    answer.status = 404;
    answer.body = "patent not found";
    return;
  }
  const KtfDocument& doc = found.documents().front();
  const KtfDocument* entry = owner->RegisterEntry(number);
  auto part = [&](const char* name) { return params.Get(name) == "1"; };
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<patent country=\"" +
                    Markup::Escape(params.Get("country")) + "\" number=\"" +
                    Markup::Escape(params.Get("number")) + "\" kind=\"" +
                    Markup::Escape(params.Get("kind")) + "\">\n";
  if (part("biblio")) xml += Biblio(doc);
  if (part("family")) xml += Family(entry);
  if (part("legal")) xml += Legal(entry);
  answer.contentType = "application/xml; charset=UTF-8";
  answer.body = xml + "</patent>\n";
}
