#include "platform/stringtable.h"

#include <cctype>
#include <cstdio>

#include "platform/log.h"
#include "platform/xml.h"

namespace {
// Element names may carry a namespace prefix ("ss:Row").
bool NameIs(const TString& name, const char* local) {
  int colon = name.FindChar(':', TString::kFindBackwards);
  TString tail = colon >= 0 ? name.Substring(colon + 1) : name;
  return tail == local;
}

TXmlNode* FindLocal(const TXmlNode* node, const char* local) {
  for (size_t i = 0; i < node->ChildCount(); ++i)
    if (NameIs(node->Child(i)->GetName(), local)) return node->Child(i);
  return nullptr;
}

int CellIndex(const TXmlNode* cell) {
  for (const auto& a : cell->Attributes())
    if (NameIs(a.first, "Index")) return a.second.ToInt();
  return 0;
}

bool IsFlashLabel(const std::string& label) {
  if (label.rfind("FLASH_", 0) == 0) return true;
  // "flash" + two digits + "_" + two digits
  if (label.size() < 10 || label.compare(0, 5, "flash") != 0) return false;
  auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(label[i])) != 0; };
  return digit(5) && digit(6) && label[7] == '_' && digit(8) && digit(9);
}
}  // namespace

void TStringTable::Clear() {
  texts_.clear();
  reportedMissing_.clear();
}

bool TStringTable::Load(const TString& fileName) {
  Clear();
  TXmlNode root;
  if (!root.LoadFile(fileName)) return false;
  if (!NameIs(root.GetName(), "Workbook")) {
    TraceOut("String table %s: the root element is <%s>, expected <Workbook>", fileName.c_str(),
             root.GetName().c_str());
    return false;
  }
  TXmlNode* sheet = FindLocal(&root, "Worksheet");
  TXmlNode* table = sheet ? FindLocal(sheet, "Table") : nullptr;
  if (!table) {
    TraceOut("String table %s has no worksheet table", fileName.c_str());
    return false;
  }
  for (size_t r = 0; r < table->ChildCount(); ++r) {
    TXmlNode* row = table->Child(r);
    if (!NameIs(row->GetName(), "Row")) continue;
    std::string columns[2];
    int column = 0;
    for (size_t c = 0; c < row->ChildCount(); ++c) {
      TXmlNode* cell = row->Child(c);
      if (!NameIs(cell->GetName(), "Cell")) continue;
      int index = CellIndex(cell);
      column = index > 0 ? index : column + 1;
      if (column > 2) break;
      TXmlNode* data = FindLocal(cell, "Data");
      if (data) columns[column - 1] = data->GetAllText().str();
    }
    std::string label = TrimString(columns[0]);
    if (!label.empty()) texts_[label] = columns[1];
  }
  return true;
}

TString ApplySubstitutions(const TString& text, const TString* args, int count) {
  const std::string& s = text.str();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 1 < s.size()) {
      char n = s[i + 1];
      if (n == '%') { out += '%'; ++i; continue; }
      if (n >= '1' && n <= '5') {
        int k = n - '1';
        if (k < count) out += args[k].str();
        ++i;
        continue;
      }
    }
    out += s[i];
  }
  return TString(std::move(out));
}

TString TStringTable::GetString(const TString& label, const TString& s1, const TString& s2, const TString& s3,
                                const TString& s4, const TString& s5) {
  auto it = texts_.find(label.str());
  if (it == texts_.end()) {
    if (reportedMissing_.insert(label.str()).second)
      TraceOut("String table: no text for label \"%s\"", label.c_str());
    return label;
  }
  const TString args[5] = {s1, s2, s3, s4, s5};
  return ApplySubstitutions(TString(it->second), args, 5);
}

void TStringTable::GetFlashStrings(std::list<TString>& out) const {
  for (const auto& e : texts_)
    if (IsFlashLabel(e.first)) out.emplace_back(e.first);
}
