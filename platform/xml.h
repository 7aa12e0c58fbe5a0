// TXmlNode: a small read-only XML element tree, parsed with TinyXML.
//
// LoadFile reads through the file layer; a file that starts with "ZXML" is
// inflated first. A damaged document gives one log line and an empty tree,
// never a crash.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/string.h"

class TiXmlDocument;

// The deepest element nesting any XML document of ours may have. Real data
// nests a handful of levels; the parsers recurse per level, so deeper
// documents are refused before they are parsed.
constexpr int kMaxXmlDepth = 256;

// The deepest element nesting TinyXML reaches on the text (also before it
// stops at an error), counting no further than `limit + 1`. Found without
// recursion by reading the text exactly as TinyXML does, so that no quote,
// entity, UTF-8 sequence or unknown tag can hide elements from the count.
int XmlNestingDepth(const char* text, size_t size, int limit = kMaxXmlDepth);

// Parses XML text into a TinyXML document: refuses (one log line naming
// `description`, empty document, false) text nested deeper than kMaxXmlDepth
// or that TinyXML cannot parse. With `keepPart`, text that TinyXML cannot
// parse is logged the same way and answered false, but the document keeps
// what TinyXML built before the error (the root and the elements before it).
// Blanks inside texts are kept as written. Every reader of XML data goes
// through here.
bool ParseXmlDocument(TiXmlDocument& doc, const std::string& text, const TString& description,
                      bool keepPart = false);

class TXmlNode {
public:
  TXmlNode() = default;
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // Parses the file; this node becomes its root element. False (and an empty
  // tree) when the file is missing or damaged; a missing file is logged
  // unless `quietWhenMissing` is set.
  bool LoadFile(const TString& path, bool quietWhenMissing = false);
  // Parses XML text; `description` names it in log lines.
  bool LoadText(const std::string& text, const TString& description);
  void Clear();

  const TString& GetName() const { return name_; }
  // Text directly inside the element.
  const TString& GetText() const { return text_; }
  // Text of the element and all its descendants, in document order.
  const TString& GetAllText() const { return allText_; }

  // The first child element of that name, or null.
  TXmlNode* FindChild(const TString& name) const;
  // Walk the children in file order; NextChild is false at the end.
  void BeginChildren() { cursor_ = 0; }
  bool NextChild(TString& name, TXmlNode*& node);
  size_t ChildCount() const { return children_.size(); }
  TXmlNode* Child(size_t index) const { return index < children_.size() ? children_[index].get() : nullptr; }

  // The attribute's value, or the default (empty when the default is null).
  TString GetAttribute(const TString& name, const char* defaultValue = nullptr) const;
  bool HasAttribute(const TString& name) const;
  int GetIntAttribute(const TString& name, int defaultValue) const;
  float GetFloatAttribute(const TString& name, float defaultValue) const;
  const std::vector<std::pair<TString, TString>>& Attributes() const { return attributes_; }

private:
  friend struct TXmlBuilder;
  TString name_;
  TString text_;
  TString allText_;
  std::vector<std::pair<TString, TString>> attributes_;
  std::vector<std::unique_ptr<TXmlNode>> children_;
  size_t cursor_ = 0;
};
