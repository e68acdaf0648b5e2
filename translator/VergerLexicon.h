#pragma once

#include <array>
#include <string_view>

#include "translator/VergerTables.h"

// Classification of the words of a VERGER search expression. Pure functions
// over byte strings, compared byte for byte; internal to the library.
namespace verger_lexicon {

// A comparison value longer than this is not one (its working buffer holds 256 bytes).
inline constexpr std::size_t kMaxComparisonValue = 255;

inline constexpr unsigned char kWordClass = 1;        // may appear in a term
inline constexpr unsigned char kTruncationClass = 2;  // truncation or range character

// Class bits of every byte, built once from the character sets of the language.
inline constexpr std::array<unsigned char, 256> kCharacterClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = '0'; c <= '9'; ++c) classes[c] |= kWordClass;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] |= kWordClass;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] |= kWordClass;
  for (char c : verger_tables::kExtraWordCharacters) {
    classes[static_cast<unsigned char>(c)] |= kWordClass;
  }
  for (char c : verger_tables::kTruncationCharacters) {
    classes[static_cast<unsigned char>(c)] |= kTruncationClass;
  }
  return classes;
}();

// Letters, digits, the double quote and the accented letters of code page 850.
inline bool isWordCharacter(char c) {
  return (kCharacterClasses[static_cast<unsigned char>(c)] & kWordClass) != 0;
}

// A word character or a truncation character ("#+?:").
inline bool isTermCharacter(char c) {
  return (kCharacterClasses[static_cast<unsigned char>(c)] & (kWordClass | kTruncationClass)) != 0;
}

// Only word characters and truncation characters ("#+?:"); the empty text qualifies.
bool isTermText(std::string_view text);

// One of the operator words (OR, AND, ..., P, S, L, NOTP, ...).
bool isOperatorWord(std::string_view token);

// "(" optional, "=" optional, "+" optional, digits, one of W D w d, then the end
// or a closing ")"; a token that opens with "(" must close with ")".
bool isProximityOperator(std::string_view token);

// OR, AND, NOT, ANDNOT, ORNOT in upper or lower case.
bool isBooleanWord(std::string_view token);

// A proximity operator or a paragraph or sentence operator (P, S, L, NOTP, ...).
bool isProximityLike(std::string_view token);

// "YES" or "=YES".
bool isPresenceWord(std::string_view token);

// A presence word, or a comparison sign followed by digits or a date, with an
// optional ":" range part of term characters. Longer than kMaxComparisonValue: not one.
bool isComparisonValue(std::string_view token);

// "$" followed only by digits (none included).
bool isSetReference(std::string_view token);

}  // namespace verger_lexicon
