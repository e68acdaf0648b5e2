#include "sgml/tReplaceText.h"

#include "sgml/K2S_Strings.h"

namespace {

// The rule's owned strings, then its one number.
constexpr k2s::RecordMembers kMembers{
    std::array{&tReplaceText::fieldName, &tReplaceText::cutName1, &tReplaceText::cutName2,
               &tReplaceText::cutName3, &tReplaceText::searchText, &tReplaceText::replaceText},
    &tReplaceText::newField};

}  // namespace

tReplaceText::tReplaceText()
    : fieldName(nullptr),
      cutName1(nullptr),
      cutName2(nullptr),
      cutName3(nullptr),
      searchText(nullptr),
      replaceText(nullptr),
      newField(0) {}

tReplaceText::tReplaceText(const tReplaceText& other) : tReplaceText() {
  kMembers.Copy(*this, other);
}

tReplaceText::~tReplaceText() { kMembers.Free(*this); }

tReplaceText& tReplaceText::operator=(const tReplaceText& other) {
  return kMembers.Copy(*this, other);
}
