#pragma once

#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/WinTypes.h"

// A URL taken apart by WebUtil::ParseUrl.
class SORREL_EXPORT ParsedUrl {
 public:
  // Four empty strings, port 0, service type 0.
  ParsedUrl();
  virtual ~ParsedUrl();
  ParsedUrl(const ParsedUrl&) = default;
  ParsedUrl& operator=(const ParsedUrl&) = default;

  CString serverName;  // host name
  CString object;      // the path and whatever follows it (query, fragment)
  CString userName;    // user part, empty if none
  CString password;    // password part, empty if none
  WORD port;           // explicit port, else the scheme's default
  DWORD serviceType;   // the scheme's service code (AFX_INET_SERVICE_*)
};
