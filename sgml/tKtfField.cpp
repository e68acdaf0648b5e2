#include "sgml/tKtfField.h"

#include <utility>

#include "sgml/K2S_Strings.h"

tKtfField::tKtfField() : name(nullptr), value(nullptr) {}

tKtfField::tKtfField(const char* name_, const char* value_)
    : name(k2s::Duplicate(name_)), value(nullptr) {
  try {
    value = k2s::Duplicate(value_);
  } catch (...) {
    delete[] name;
    throw;
  }
}

tKtfField::tKtfField(const tKtfField& other) : tKtfField(other.name, other.value) {}

tKtfField::~tKtfField() {
  delete[] name;
  delete[] value;
}

tKtfField& tKtfField::operator=(const tKtfField& other) {
  if (this == &other) return *this;
  tKtfField copy(other.name, other.value);
  std::swap(name, copy.name);
  std::swap(value, copy.value);
  return *this;
}
