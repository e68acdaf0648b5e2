#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// Finds a patent document on a data medium through the medium's index file
// "EXCHANGE.IDX": lines sorted on a key ("USB2 01234567": country and kind,
// a blank, the number padded to 8 digits), with the document's relative path
// from column 47 to the end of the line.
class SORREL_EXPORT clExchangeIdxTool {
 public:
  // The full path of the document's PDF file for an identifier typed as
  // "COUNTRY NUMBER KIND " (the trailing blank is required), in a medium whose
  // directory ends with a separator; "" when the index cannot be opened, the
  // identifier is malformed, the key is absent or the file does not exist
  // (the reason goes to the diagnostic sink at debug level).
  CString mSearchInExchangeIdxFile(CString directory, CString identifier);

 protected:
  // The index key of an identifier, or "" when no blank follows its kind.
  CString mFormatString(CString identifier);
};
