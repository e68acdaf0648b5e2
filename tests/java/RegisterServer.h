#pragma once

#include <regex>
#include <string>
#include <utility>

#include "tests/common/TempDir.h"
#include "tests/servers/ScriptedHttpServer.h"

// A loopback server that answers the search server's register requests,
// "GET /sorrel/register?country=CC&number=N&kind=K[&biblio=1][&family=1]
// [&legal=1]", for the one publication of a fixed document: the document with
// the parts not asked for removed, or 404 "patent not found".
class RegisterServer : public ScriptedHttpServer {
 public:
  explicit RegisterServer(const std::string& documentPath) : document_(ReadBytes(documentPath)) {
    SetHandler([this](const RecordedRequest& request) -> ScriptedAnswer {
      const std::string query = Query(request);
      if (query.rfind("country=EP&number=1000000&kind=A1", 0) != 0)
        return {404, {}, "patent not found"};
      const auto asks = [&](const char* part) {
        return query.find(std::string("&") + part + "=1") != std::string::npos;
      };
      return {200, {}, Answer(asks("biblio"), asks("family"), asks("legal")), "application/xml"};
    });
  }

  // The servlet address that clients are given; the register lies beside it.
  std::string SearchUrl() const { return Url("/sorrel/Search"); }

  // The document as served when only the given parts are asked for.
  std::string Answer(bool biblio, bool family, bool legal) const {
    const std::pair<bool, std::string> parts[] = {
        {biblio, "biblio"}, {family, "family"}, {legal, "legal"}};
    std::string answer = document_;
    for (const auto& [asked, part] : parts) {
      if (!asked)
        answer = std::regex_replace(answer,
                                    std::regex("  <" + part + ">[\\s\\S]*?</" + part + ">\n"), "");
    }
    return answer;
  }

 private:
  static std::string Query(const RecordedRequest& request) {
    return request.target.substr(request.target.find('?') + 1);
  }

  std::string document_;
};
