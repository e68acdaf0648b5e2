#include "xml/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <limits>
#include <memory>
#include <string>

#include "platform/CodePage.h"
#include "platform/MessageBox.h"

namespace {

// External entities and an external DTD subset are never fetched: the SAX
// hooks that would load them answer nothing.
xmlParserInputPtr RefuseExternalEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }
void IgnoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

// No DTD loading, no entity substitution, no network; errors are not printed.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// The character data of `node` and its descendants in document order.
// Entity references contribute nothing: expanding them would let a small
// answer grow without bound.
void CollectText(const xmlNode* node, std::string& text) {
  switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      if (node->content) text += reinterpret_cast<const char*>(node->content);
      return;
    case XML_ENTITY_REF_NODE:
      return;
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
    case XML_DOCUMENT_NODE:
      for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ATTRIBUTE_NODE) CollectText(child, text);
      }
      return;
    default:
      return;
  }
}

struct ParserContextDeleter {
  void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};
struct XPathContextDeleter {
  void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectDeleter {
  void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// Keeps the last XPath error message instead of letting libxml2 print it.
void RecordXPathError(void* userData, xmlErrorPtr error) {
  auto* message = static_cast<CString*>(userData);
  if (error && error->message) {
    *message = error->message;
    message->TrimRight("\r\n");
  }
}

}  // namespace

// A well-formed document and its document element; owns the document.
struct XmlDocument::Parsed {
  explicit Parsed(xmlDocPtr parsed) : document(parsed), root(xmlDocGetRootElement(parsed)) {}
  ~Parsed() { xmlFreeDoc(document); }
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;

  xmlDocPtr document;
  xmlNodePtr root;
};

XmlDocument::XmlDocument(CString& xml) {
  std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
  if (!context || !context->sax) {
    const _com_error failure(E_OUTOFMEMORY);
    AfxMessageBox(failure.ErrorMessage(), MB_OK);
    throw _com_error(E_POINTER);
  }
  context->sax->resolveEntity = RefuseExternalEntity;
  context->sax->externalSubset = IgnoreExternalSubset;
  const std::string utf8 = CodePageToUtf8(xml.str());
  if (utf8.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    throw _com_error(E_OUTOFMEMORY);
  }
  xmlDocPtr document = xmlCtxtReadMemory(context.get(), utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, "UTF-8", kParseOptions);
  if (document == nullptr) return;
  if (!context->wellFormed) {
    xmlFreeDoc(document);
    return;
  }
  parsed = std::make_unique<Parsed>(document);
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::GetNodeText(CString& path, CString& text) {
  const std::string utf8Path = CodePageToUtf8(path.str());
  if (!parsed || !parsed->root) throw _com_error(E_POINTER);
  std::unique_ptr<xmlXPathContext, XPathContextDeleter> context(
      xmlXPathNewContext(parsed->document));
  if (!context) throw _com_error(E_OUTOFMEMORY);
  CString explanation;
  context->node = parsed->root;
  context->userData = &explanation;
  context->error = RecordXPathError;
  std::unique_ptr<xmlXPathObject, XPathObjectDeleter> result(
      xmlXPathEval(reinterpret_cast<const xmlChar*>(utf8Path.c_str()), context.get()));
  if (!result) {
    throw _com_error(E_FAIL,
                     explanation.IsEmpty() ? CString("Invalid XPath expression.") : explanation);
  }
  if (result->type != XPATH_NODESET) {
    throw _com_error(E_FAIL, "Expression does not return a DOM node.");
  }
  const xmlNodeSet* nodes = result->nodesetval;
  if (nodes == nullptr || nodes->nodeNr == 0) return;
  std::string content;
  CollectText(nodes->nodeTab[0], content);
  text = Utf8ToCodePage(content);
}
