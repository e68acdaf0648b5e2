#pragma once

#include "platform/Export.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"

// Named values in a profile file ("[section]" and "key=value" lines), read and
// written through the platform's profile functions. The file name is used as
// given, so callers pass full paths. Nothing throws; a read that brings
// nothing back (missing file, section or key, or an empty value) returns 0.
class SORREL_EXPORT clAccessConfigFile {
 public:
  explicit clAccessConfigFile(CString fileName);
  clAccessConfigFile(const clAccessConfigFile& other) = default;
  clAccessConfigFile& operator=(const clAccessConfigFile& other) = default;
  virtual ~clAccessConfigFile();

  void mSetFileName(CString fileName);
  const CString& mGetFileName() const { return fileName_; }

  // Writes the value as text (numbers in decimal); 1 on success, 0 when the
  // file could not be written, which leaves it as it was (the failure goes
  // to the diagnostic sink at debug level).
  int mWrite(const CString& section, const CString& key, const CString& value);
  int mWrite(const CString& section, const CString& key, int value);
  int mWrite(const CString& section, const CString& key, long value);

  // Reads at most 2046 bytes. 1 and `value` set when at least one byte came
  // back; otherwise 0 with the string emptied and the numbers untouched.
  // Numbers take the leading decimal digits (text without them reads as 0).
  int mRead(const CString& section, const CString& key, CString& value);
  int mRead(const CString& section, const CString& key, int& value);
  int mRead(const CString& section, const CString& key, long& value);

  // `value` = `defaultValue`, unless a non-empty value is read: then true when
  // its first byte is t, y or 1 in any case, false otherwise.
  void Read(const CString& section, const CString& key, bool& value, bool defaultValue);
  // Appends the file's section names / the key names of `section`, in file
  // order, each once; a missing file or section appends nothing.
  void mReadSectionNames(CStringArray& names);
  void mReadKeyNames(const CString& section, CStringArray& names);
  // Appends the values of keyPrefix0, keyPrefix1, ... up to the first key that
  // reads nothing; elements already in `list` stay.
  void ReadList(const CString& section, const CString& keyPrefix, CStringArray& list);

 private:
  void ReadNames(const char* section, CStringArray& names);

  CString fileName_;  // the profile file, used as given
};
