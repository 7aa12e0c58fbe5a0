// TStringTable: the localised texts of "strings.xml".
//
// The file is a spreadsheet in XML form (Workbook / Worksheet / Table / Row /
// Cell / Data, plain or packed as "ZXML"). The first worksheet is read; in
// each row the first cell is the label and the second the text. A cell's
// "ss:Index" attribute moves it to that column (1-based). In a text, "%1" to
// "%5" are replaced by the substitution arguments and "%%" gives "%".
#pragma once
#include <list>
#include <map>
#include <set>
#include <string>

#include "platform/string.h"

class TStringTable {
public:
  // Reads the table; false (and an empty table) when the file is missing or damaged.
  bool Load(const TString& fileName);
  void Clear();
  size_t Size() const { return texts_.size(); }
  bool Has(const TString& label) const { return texts_.count(label.str()) != 0; }

  // The label's text with the substitutions applied. A missing label gives
  // the label itself, logged once per label.
  TString GetString(const TString& label, const TString& s1 = TString(), const TString& s2 = TString(),
                    const TString& s3 = TString(), const TString& s4 = TString(), const TString& s5 = TString());
  // Appends every label that starts with "FLASH_" or reads "flash" + two digits
  // + "_" + two digits.
  void GetFlashStrings(std::list<TString>& out) const;
  // Adds or replaces one text (tests and tools).
  void Set(const TString& label, const TString& text) { texts_[label.str()] = text.str(); }

private:
  std::map<std::string, std::string> texts_;
  std::set<std::string> reportedMissing_;
};

// Replaces "%1".."%5" with the arguments and "%%" with "%".
TString ApplySubstitutions(const TString& text, const TString* args, int count);
