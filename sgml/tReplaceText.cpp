#include "sgml/tReplaceText.h"

#include <utility>

#include "sgml/K2S_Strings.h"

tReplaceText::tReplaceText()
    : fieldName(nullptr),
      cutName1(nullptr),
      cutName2(nullptr),
      cutName3(nullptr),
      searchText(nullptr),
      replaceText(nullptr),
      newField(0) {}

tReplaceText::tReplaceText(const tReplaceText& other) : tReplaceText() { *this = other; }

tReplaceText::~tReplaceText() {
  for (char* text : {fieldName, cutName1, cutName2, cutName3, searchText, replaceText}) {
    delete[] text;
  }
}

tReplaceText& tReplaceText::operator=(const tReplaceText& other) {
  if (this == &other) return *this;
  tReplaceText copy;
  copy.fieldName = k2s::Duplicate(other.fieldName);
  copy.cutName1 = k2s::Duplicate(other.cutName1);
  copy.cutName2 = k2s::Duplicate(other.cutName2);
  copy.cutName3 = k2s::Duplicate(other.cutName3);
  copy.searchText = k2s::Duplicate(other.searchText);
  copy.replaceText = k2s::Duplicate(other.replaceText);
  std::swap(fieldName, copy.fieldName);
  std::swap(cutName1, copy.cutName1);
  std::swap(cutName2, copy.cutName2);
  std::swap(cutName3, copy.cutName3);
  std::swap(searchText, copy.searchText);
  std::swap(replaceText, copy.replaceText);
  newField = other.newField;
  return *this;
}
