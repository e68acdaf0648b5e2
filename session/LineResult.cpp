#include "session/LineResult.h"

const char* LineResult::KindName() const {
  switch (kind) {
    case Kind::kRefused:
      return "refused";
    case Kind::kSearch:
      return "search";
    case Kind::kPrint:
      return "print";
    case Kind::kKeep:
      return "keep";
    case Kind::kBrowse:
      return "browse";
    case Kind::kErase:
      return "erase";
    case Kind::kHistory:
      return "history";
    case Kind::kInformation:
      return "information";
    case Kind::kFields:
      return "fields";
    case Kind::kHelp:
      return "help";
    case Kind::kStop:
      return "stop";
    case Kind::kUnsupported:
      return "unsupported";
    case Kind::kSave:
      return "save";
    case Kind::kExecute:
      return "execute";
    case Kind::kFile:
      return "file";
    case Kind::kIndex:
      return "index";
    case Kind::kEnded:
      return "ended";
  }
  return "unknown";
}
