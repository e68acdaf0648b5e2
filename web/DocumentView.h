#pragma once

#include <string>

// A printed document as a browser shows it. The browser cannot read SGML,
// so OpenSP's osx turns NAME.sgml (its DTD beside it) into NAME.xml, which
// gets the chosen style sheet as an xml-stylesheet instruction: the browser
// then renders the XML with that CSS. Text of the document stays character
// data, so markup in a title is shown, never run.
class DocumentView {
 public:
  // Makes the XML beside `sgmlPath` styled by `styleSheet` (a file name in
  // the same folder, "" for none); returns its path, or "" with the reason
  // in `problem` when osx is missing or refuses the file.
  static std::string Make(const std::string& sgmlPath, const std::string& styleSheet,
                          std::string& problem);

  // The path Make writes the view of `sgmlPath` to: NAME.xml beside it.
  static std::string ViewPath(const std::string& sgmlPath);

  // `xml` (osx's output) with the style-sheet instruction put after its
  // XML declaration; unchanged when `styleSheet` is empty.
  static std::string Styled(const std::string& xml, const std::string& styleSheet);
};
