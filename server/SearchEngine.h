#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/QueryNode.h"

// What the protocol needs of a search engine: open a base, run a parsed
// question into a hit list, fetch documents of a hit list by position, list
// the words of a field. The
// server holds one engine per base and calls it from many threads at once.
class SearchEngine {
 public:
  using HitList = std::vector<int64_t>;  // document numbers, ascending, each once
  using Sets = std::vector<std::shared_ptr<const HitList>>;  // $1 is sets[0]; null: dropped

  virtual ~SearchEngine() = default;

  // Opens the base in `folder` (documents.ktf), indexing it first when the
  // index is missing or older than the documents. False with `error` set.
  virtual bool Open(const std::string& folder, std::string& error) = 0;
  // Number of documents in the open base.
  virtual size_t DocumentCount() const = 0;
  // The hits of `question`; set references read `sets`. False with `error`
  // set (an unknown set, a truncation that matches too many words, an engine
  // failure); `hits` is then unspecified.
  virtual bool Run(const QueryNode& question, const Sets& sets, HitList& hits,
                   std::string& error) = 0;
  // The documents (KTF document form) of hits[position - 1] onwards, at most
  // `count`; a position past the end gives none. False with `error` set on an
  // engine failure.
  virtual bool Fetch(const HitList& hits, size_t position, size_t count,
                     std::vector<std::string>& documents, std::string& error) = 0;
  // The document whose publication number is `number` ("EP 1000000 A1");
  // false when there is none.
  virtual bool FindByNumber(const std::string& number, std::string& document) = 0;
  // The words of text field `code` around `term`, in word order, each with
  // the number of documents whose field holds it (a host's index display).
  // False with `error` set on an engine failure.
  using TermCounts = std::vector<std::pair<std::string, long long>>;
  virtual bool Terms(const std::string& code, const std::string& term, TermCounts& terms,
                     std::string& error) = 0;
};
