#include "java/LUXQuery.h"

#include <utility>

LUXQuery::LUXQuery() = default;

LUXQuery::LUXQuery(const LUXQuery& other) = default;

LUXQuery& LUXQuery::operator=(const LUXQuery& other) = default;

LUXQuery::~LUXQuery() = default;

void LUXQuery::SetSearchType(SearchType searchType) { searchType_ = searchType; }

LUXQuery::SearchType LUXQuery::GetSearchType() { return searchType_; }

void LUXQuery::SetPatentNumber(CString number) { patentNumber_ = std::move(number); }

CString LUXQuery::GetPatentNumber() { return patentNumber_; }

void LUXQuery::SetPatentCountry(CString country) { patentCountry_ = std::move(country); }

CString LUXQuery::GetPatentCountry() { return patentCountry_; }

void LUXQuery::SetPatentKind(CString kind) { patentKind_ = std::move(kind); }

CString LUXQuery::GetPatentKind() { return patentKind_; }

bool LUXQuery::IsBibliographicDataRetrievalEnabled() { return bibliographicWanted_; }

void LUXQuery::SetBibliographicDataRetrievalEnabled(bool enabled) {
  bibliographicWanted_ = enabled;
}

bool LUXQuery::IsFamilyDataRetrievalEnabled() { return familyWanted_; }

void LUXQuery::SetFamilyDataRetrievalEnabled(bool enabled) { familyWanted_ = enabled; }

bool LUXQuery::IsLegalStatusDataRetrievalEnabled() { return legalStatusWanted_; }

void LUXQuery::SetLegalStatusDataRetrievalEnabled(bool enabled) { legalStatusWanted_ = enabled; }
