#pragma once

#include <memory>

#include "platform/CString.h"
#include "platform/ComError.h"

// One XML text held in memory, parsed once, answering XPath 1.0 queries with
// the text of the first match. Internal to the library (not exported); the
// session reads the server's authentication answer with it. The parser's
// types stay out of this header, so that including it needs no libxml2. The
// input is untrusted: no DTD is loaded, no external entity is read, nothing
// is fetched from the network, and entity references are never expanded.
class XmlDocument {
 public:
  // Parses `xml`, 8-bit text in the process's code page; an XML declaration's
  // encoding is ignored. A text that is not well-formed still builds the
  // object (every later query then throws). Throws _com_error(E_POINTER) when
  // the parser cannot be set up, after showing a message box.
  explicit XmlDocument(CString& xml);
  virtual ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Evaluates the XPath `path` (code-page text) from the document element and
  // sets `text` to the text of the first node matched, in document order: its
  // own and its descendants' character data, in the code page ("?" for a
  // character the code page lacks). `text` is untouched when nothing
  // matches. Throws _com_error(E_POINTER) when the document did not parse,
  // and _com_error(E_FAIL) with the parser's explanation for a malformed path
  // or one that does not select nodes.
  void GetNodeText(CString& path, CString& text);

 private:
  struct Parsed;
  std::unique_ptr<Parsed> parsed;  // the document and its root; null when the text did not parse
};
