#include "session/BaseInformation.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>

#include "platform/DiagnosticSink.h"

namespace {

using Attributes = std::map<std::string, std::string>;

// The attributes of every element `name` of an XML document, and its text
// under the key "", in the order the walk meets them (a chain of siblings
// first, then the children of the chains met, last first).
std::vector<Attributes> Elements(xmlDocPtr document, const char* name) {
  std::vector<Attributes> found;
  std::vector<xmlNodePtr> pending = {xmlDocGetRootElement(document)};
  while (!pending.empty()) {
    xmlNodePtr node = pending.back();
    pending.pop_back();
    for (; node != nullptr; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) {
        Attributes attributes;
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
  return found;
}

}  // namespace

BaseInformation BaseInformation::Parse(const std::string& xml) {
  BaseInformation information;
  xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) {
    ReportDiagnostic(DiagnosticLevel::kDebug, "(BaseInformation) the base information is not XML");
    return information;
  }
  for (Attributes& field : Elements(document, "field")) information.fields.push_back(field["code"]);
  for (Attributes& base : Elements(document, "base")) {
    information.bases.push_back({base["name"], base["documents"]});
  }
  for (Attributes& base : Elements(document, "database")) {
    information.databases.push_back({base["name"], base["documents"]});
  }
  for (Attributes& title : Elements(document, "title")) information.titles.push_back(title[""]);
  for (Attributes& file : Elements(document, "file")) information.files.push_back(file["name"]);
  xmlFreeDoc(document);
  return information;
}
