#pragma once

#include <cstdint>

#include "platform/CString.h"
#include "platform/Export.h"

// One request for the data of a patent: which publication, and which parts of
// its data (bibliographic, family, legal status) are wanted. A plain value.
// Callers set the search type and the three flags before a query; until they
// do, a new query holds PUBLICATION_NUMBER and no part wanted, never an
// indeterminate value.
class SORREL_EXPORT LUXQuery {
 public:
  // How the patent is designated; passed to the Java side as its integer value.
  enum SearchType : int32_t {
    PUBLICATION_NUMBER = 0,  // country, number and kind of a publication
    APPLICATION_NUMBER = 1,  // country, number and kind of an application; the
                             // reference server does not answer it
  };

  LUXQuery();
  LUXQuery(const LUXQuery& other);
  LUXQuery& operator=(const LUXQuery& other);
  virtual ~LUXQuery();

  void SetSearchType(SearchType searchType);
  SearchType GetSearchType();
  // String getters return copies.
  void SetPatentNumber(CString number);
  CString GetPatentNumber();
  void SetPatentCountry(CString country);
  CString GetPatentCountry();
  void SetPatentKind(CString kind);
  CString GetPatentKind();
  bool IsBibliographicDataRetrievalEnabled();
  void SetBibliographicDataRetrievalEnabled(bool enabled);
  bool IsFamilyDataRetrievalEnabled();
  void SetFamilyDataRetrievalEnabled(bool enabled);
  bool IsLegalStatusDataRetrievalEnabled();
  void SetLegalStatusDataRetrievalEnabled(bool enabled);

 private:
  SearchType searchType_ = PUBLICATION_NUMBER;  // kind of search
  CString patentNumber_;                        // e.g. "1000000"
  CString patentCountry_;                       // e.g. "EP"
  CString patentKind_;                          // e.g. "A1"
  bool bibliographicWanted_ = false;            // bibliographic data wanted
  bool familyWanted_ = false;                   // family members wanted
  bool legalStatusWanted_ = false;              // legal-status events wanted
};
