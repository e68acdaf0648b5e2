#pragma once

#include <cstddef>
#include <utility>

#include "platform/Position.h"

// A doubly linked list with MFC's POSITION-based interface; the basis of
// CStringList and CPtrList. The list owns its nodes; a POSITION stays valid
// until its element is removed. Head and tail accessors require a non-empty list.
template <typename T>
class CTypedList {
 public:
  CTypedList() = default;
  CTypedList(const CTypedList& other) { AddTail(other); }
  CTypedList& operator=(const CTypedList& other) {
    if (this != &other) {
      RemoveAll();
      AddTail(other);
    }
    return *this;
  }
  ~CTypedList() { RemoveAll(); }

  int GetCount() const { return count_; }
  int GetSize() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

  T& GetHead() { return head_->value; }
  const T& GetHead() const { return head_->value; }
  T& GetTail() { return tail_->value; }
  const T& GetTail() const { return tail_->value; }

  POSITION AddHead(const T& value) { return Link(new Node{value, nullptr, head_}); }
  POSITION AddTail(const T& value) { return Link(new Node{value, tail_, nullptr}); }
  void AddTail(const CTypedList& other) {
    for (Node* node = other.head_; node; node = node->next) AddTail(node->value);
  }

  T RemoveHead() { return Take(head_); }
  T RemoveTail() { return Take(tail_); }
  void RemoveAt(POSITION position) { Take(AsNode(position)); }
  void RemoveAll() {
    while (head_) Take(head_);
  }

  POSITION GetHeadPosition() const { return AsPosition(head_); }
  POSITION GetTailPosition() const { return AsPosition(tail_); }
  T& GetNext(POSITION& position) { return Step(position, true); }
  const T& GetNext(POSITION& position) const { return Step(position, true); }
  T& GetPrev(POSITION& position) { return Step(position, false); }
  const T& GetPrev(POSITION& position) const { return Step(position, false); }
  T& GetAt(POSITION position) { return AsNode(position)->value; }
  const T& GetAt(POSITION position) const { return AsNode(position)->value; }
  void SetAt(POSITION position, const T& value) { AsNode(position)->value = value; }

  POSITION InsertBefore(POSITION position, const T& value) {
    Node* at = AsNode(position);
    if (!at) return AddHead(value);
    return Link(new Node{value, at->prev, at});
  }
  POSITION InsertAfter(POSITION position, const T& value) {
    Node* at = AsNode(position);
    if (!at) return AddTail(value);
    return Link(new Node{value, at, at->next});
  }

  // The position of the first element equal to value after `startAfter`
  // (from the head when null), or null.
  POSITION Find(const T& value, POSITION startAfter = nullptr) const {
    Node* node = startAfter ? AsNode(startAfter)->next : head_;
    for (; node; node = node->next) {
      if (node->value == value) return AsPosition(node);
    }
    return nullptr;
  }
  // The position of the zero-based index, or null when out of range.
  POSITION FindIndex(int index) const {
    if (index < 0) return nullptr;
    Node* node = head_;
    for (; node && index > 0; --index) node = node->next;
    return AsPosition(node);
  }

 private:
  struct Node {
    T value;
    Node* prev;
    Node* next;
  };

  static Node* AsNode(POSITION position) { return reinterpret_cast<Node*>(position); }
  static POSITION AsPosition(Node* node) { return reinterpret_cast<POSITION>(node); }

  // Links a node whose prev/next are already set to its neighbours.
  POSITION Link(Node* node) {
    (node->prev ? node->prev->next : head_) = node;
    (node->next ? node->next->prev : tail_) = node;
    ++count_;
    return AsPosition(node);
  }

  T Take(Node* node) {
    (node->prev ? node->prev->next : head_) = node->next;
    (node->next ? node->next->prev : tail_) = node->prev;
    --count_;
    T value = std::move(node->value);
    delete node;
    return value;
  }

  T& Step(POSITION& position, bool forward) const {
    Node* node = AsNode(position);
    position = AsPosition(forward ? node->next : node->prev);
    return node->value;
  }

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  int count_ = 0;
};
