#pragma once

#include "platform/Export.h"
#include "translator/VergerTypes.h"

// The search criteria the translator knows: the field codes a user writes after
// a slash (/TI), and the default criteria that apply to a term written without
// one. The client fills it once with add_criter and passes it to every
// VERGER_MODE::command; translation may replace the default criteria.
class SORREL_EXPORT VERGER_CONFIG {
 public:
  static constexpr int kDefaultCriteriaSize = 128;  // bytes of default_criteria, NUL included

  // One criterion of a list. The head of each list lives inside the object and
  // has the empty name; the other nodes and their names are owned by the list.
  struct CriterionNode {
    char* name;           // the criterion, as registered
    CriterionNode* next;  // next node in registration order, or null
  };

  VERGER_CONFIG();
  // Copies duplicate both lists, so each object owns and frees its own nodes.
  VERGER_CONFIG(const VERGER_CONFIG& other);
  VERGER_CONFIG& operator=(const VERGER_CONFIG& other);
  // Frees every registered node with its name.
  ~VERGER_CONFIG();

  // Registers `name` (stored unchanged, so register criteria in upper case).
  // kind 0: a known criterion. Any other kind: a default criterion, whose name
  // and one blank are appended to default_criteria. Returns 1, or 0 (nothing
  // registered) when `name` is null, when the default criteria text would
  // exceed 127 characters, or when memory runs out.
  [[nodiscard]] int add_criter(char* name, TYPE_CRIT kind);

  // 1 when `name` is registered with this kind (known: kind 0, default: any
  // other), compared byte for byte; the empty name is always found. Else 0.
  [[nodiscard]] int isa_criter(char* name, TYPE_CRIT kind);

  // Drops one trailing blank from the stored default criteria text and returns
  // it; the text belongs to this object and changes with it.
  char* list_default();

  // Replaces the default criteria text by `text`. A null text or one longer
  // than 127 characters leaves it unchanged.
  void change_default_criteria(char* text);

 private:
  void copyLists(const VERGER_CONFIG& other);
  void freeLists();

  char default_criteria[kDefaultCriteriaSize];  // default criteria names, each followed by a blank
  CriterionNode criteria;                       // head of the known criteria (kind 0)
  CriterionNode default_list;                   // head of the default criteria (kind non-zero)
};
