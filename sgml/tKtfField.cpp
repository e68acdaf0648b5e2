#include "sgml/tKtfField.h"

#include "sgml/K2S_Strings.h"

namespace {

// The field's two owned strings.
constexpr k2s::RecordMembers kMembers{std::array{&tKtfField::name, &tKtfField::value}};

}  // namespace

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

tKtfField::~tKtfField() { kMembers.Free(*this); }

tKtfField& tKtfField::operator=(const tKtfField& other) { return kMembers.Copy(*this, other); }
