#pragma once

#include <cstdint>
#include <vector>

#include "platform/CString.h"
#include "platform/Position.h"

// A hash map from string keys that iterates in exactly MFC's order, because
// callers put that order on the wire (form parameters) and into teardown:
// hash = hash * 33 + byte (bytes read as signed chars, unsigned 32-bit
// arithmetic), bucket = hash mod table size (17 unless InitHashTable says
// otherwise); iteration visits the buckets in order and, inside a bucket, the
// most recently inserted key first. Replacing a value keeps the key's place and
// removing a key keeps the order of the others. The map owns its keys and
// values (for pointer values: the pointers, not what they point to).
template <typename V>
class CStringKeyedMap {
 public:
  static constexpr unsigned kDefaultHashTableSize = 17;

  CStringKeyedMap() = default;
  CStringKeyedMap(const CStringKeyedMap&) = delete;
  CStringKeyedMap& operator=(const CStringKeyedMap&) = delete;
  ~CStringKeyedMap() { RemoveAll(); }

  int GetCount() const { return count_; }
  int GetSize() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

  // Resizes the bucket table; only allowed while the map is empty (ignored otherwise).
  void InitHashTable(unsigned size) {
    if (count_ == 0 && size > 0) buckets_.assign(size, nullptr);
  }
  unsigned GetHashTableSize() const { return static_cast<unsigned>(buckets_.size()); }

  static uint32_t HashKey(const char* key) {
    uint32_t hash = 0;
    for (; *key; ++key)
      hash = (hash << 5) + hash + static_cast<uint32_t>(static_cast<signed char>(*key));
    return hash;
  }

  // True and the value in `value` when the key is present; `value` is
  // untouched otherwise.
  bool Lookup(const char* key, V& value) const {
    const Node* node = FindNode(key);
    if (!node) return false;
    value = node->value;
    return true;
  }

  // The value for key, inserting a value-initialised one if absent.
  V& operator[](const char* key) {
    if (Node* node = FindNode(key)) return node->value;
    const uint32_t bucket = HashKey(key) % GetHashTableSize();
    Node* node = new Node{buckets_[bucket], CString(key), V{}};
    buckets_[bucket] = node;
    ++count_;
    return node->value;
  }

  void SetAt(const char* key, const V& value) { (*this)[key] = value; }

  // Removes the key; false when it was absent.
  bool RemoveKey(const char* key) {
    Node** link = &buckets_[HashKey(key) % GetHashTableSize()];
    for (; *link; link = &(*link)->next) {
      if ((*link)->key == key) {
        Node* doomed = *link;
        *link = doomed->next;
        delete doomed;
        --count_;
        return true;
      }
    }
    return false;
  }

  void RemoveAll() {
    for (Node*& head : buckets_) {
      while (head) {
        Node* next = head->next;
        delete head;
        head = next;
      }
    }
    count_ = 0;
  }

  // Null when the map is empty.
  POSITION GetStartPosition() const { return AsPosition(FirstFrom(0)); }

  // Delivers the entry at `position` and advances it (null after the last).
  void GetNextAssoc(POSITION& position, CString& key, V& value) const {
    const Node* node = reinterpret_cast<const Node*>(position);
    key = node->key;
    value = node->value;
    const Node* next = node->next;
    if (!next) next = FirstFrom(HashKey(node->key) % GetHashTableSize() + 1);
    position = AsPosition(next);
  }

 private:
  struct Node {
    Node* next;
    CString key;
    V value;
  };

  static POSITION AsPosition(const Node* node) {
    return reinterpret_cast<POSITION>(const_cast<Node*>(node));
  }

  Node* FindNode(const char* key) const {
    for (Node* node = buckets_[HashKey(key) % GetHashTableSize()]; node; node = node->next) {
      if (node->key == key) return node;
    }
    return nullptr;
  }

  const Node* FirstFrom(size_t bucket) const {
    for (; bucket < buckets_.size(); ++bucket) {
      if (buckets_[bucket]) return buckets_[bucket];
    }
    return nullptr;
  }

  std::vector<Node*> buckets_ = std::vector<Node*>(kDefaultHashTableSize, nullptr);
  int count_ = 0;
};
