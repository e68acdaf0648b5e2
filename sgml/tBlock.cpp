#include "sgml/tBlock.h"

#include "sgml/K2S_Strings.h"

namespace {

// The entry's owned strings, then its numbers.
constexpr k2s::RecordMembers kMembers{
    std::array{&tBlock::format, &tBlock::leaderName, &tBlock::existName, &tBlock::notExistName,
               &tBlock::beginText, &tBlock::endText, &tBlock::fieldName},
    &tBlock::index,
    &tBlock::level,
    &tBlock::opened,
    &tBlock::cursor,
    &tBlock::allowEmpty,
    &tBlock::offset,
    &tBlock::length};

}  // namespace

tBlock::tBlock()
    : format(nullptr),
      leaderName(nullptr),
      existName(nullptr),
      notExistName(nullptr),
      beginText(nullptr),
      endText(nullptr),
      fieldName(nullptr),
      index(0),
      level(0),
      opened(0),
      cursor(0),
      allowEmpty(1),
      offset(0),
      length(-1) {}

tBlock::tBlock(const tBlock& other) : tBlock() { kMembers.Copy(*this, other); }

tBlock::~tBlock() { kMembers.Free(*this); }

tBlock& tBlock::operator=(const tBlock& other) { return kMembers.Copy(*this, other); }
