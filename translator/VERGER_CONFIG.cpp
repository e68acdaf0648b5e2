#include "translator/VERGER_CONFIG.h"

#include <cstring>
#include <new>

namespace {

// The name of both list heads: the empty criterion, which is always known.
char headName[1] = "";

using Node = VERGER_CONFIG::CriterionNode;

// Appends a node with a copy of `name` at the end of the list; false when out of memory.
bool appendNode(Node& head, const char* name) {
  const std::size_t length = std::strlen(name);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) return false;
  std::memcpy(copy, name, length + 1);
  Node* node = new (std::nothrow) Node{copy, nullptr};
  if (node == nullptr) {
    delete[] copy;
    return false;
  }
  Node* last = &head;
  while (last->next != nullptr) last = last->next;
  last->next = node;
  return true;
}

void freeNodes(Node& head) {
  Node* node = head.next;
  while (node != nullptr) {
    Node* next = node->next;
    delete[] node->name;
    delete node;
    node = next;
  }
  head.next = nullptr;
}

void copyNodes(Node& head, const Node& from) {
  for (const Node* node = from.next; node != nullptr; node = node->next) {
    if (!appendNode(head, node->name)) return;
  }
}

}  // namespace

VERGER_CONFIG::VERGER_CONFIG()
    : default_criteria{}, criteria{headName, nullptr}, default_list{headName, nullptr} {}

VERGER_CONFIG::VERGER_CONFIG(const VERGER_CONFIG& other) : VERGER_CONFIG() { copyLists(other); }

VERGER_CONFIG& VERGER_CONFIG::operator=(const VERGER_CONFIG& other) {
  if (this != &other) {
    freeLists();
    copyLists(other);
  }
  return *this;
}

VERGER_CONFIG::~VERGER_CONFIG() { freeLists(); }

void VERGER_CONFIG::copyLists(const VERGER_CONFIG& other) {
  std::memcpy(default_criteria, other.default_criteria, sizeof default_criteria);
  copyNodes(criteria, other.criteria);
  copyNodes(default_list, other.default_list);
}

void VERGER_CONFIG::freeLists() {
  freeNodes(criteria);
  freeNodes(default_list);
}

int VERGER_CONFIG::add_criter(char* name, TYPE_CRIT kind) {
  if (name == nullptr) return 0;
  if (kind == CRIT_KNOWN) return appendNode(criteria, name) ? 1 : 0;
  const std::size_t used = std::strlen(default_criteria);
  const std::size_t length = std::strlen(name);
  if (used + length + 1 >= sizeof default_criteria) return 0;
  std::memcpy(default_criteria + used, name, length);
  default_criteria[used + length] = ' ';
  default_criteria[used + length + 1] = '\0';
  return appendNode(default_list, name) ? 1 : 0;
}

int VERGER_CONFIG::isa_criter(char* name, TYPE_CRIT kind) {
  if (name == nullptr) return 0;
  const Node* node = kind == CRIT_KNOWN ? &criteria : &default_list;
  for (; node != nullptr; node = node->next) {
    if (std::strcmp(node->name, name) == 0) return 1;
  }
  return 0;
}

char* VERGER_CONFIG::list_default() {
  const std::size_t used = std::strlen(default_criteria);
  if (used > 0 && default_criteria[used - 1] == ' ') default_criteria[used - 1] = '\0';
  return default_criteria;
}

void VERGER_CONFIG::change_default_criteria(char* text) {
  if (text == nullptr) return;
  const std::size_t length = std::strlen(text);
  if (length >= sizeof default_criteria) return;
  std::memcpy(default_criteria, text, length + 1);
}
