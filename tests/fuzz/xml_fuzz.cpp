// XML text and the spreadsheet string table built on it.
#include <cstdint>
#include <string>

#include "platform/stringtable.h"
#include "platform/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TXmlNode node;
  if (node.LoadText(std::string(reinterpret_cast<const char*>(data), size), "fuzz")) {
    TString name;
    TXmlNode* child;
    node.BeginChildren();
    while (node.NextChild(name, child)) child->GetAttribute("ss:Index").ToInt();
  }
  return 0;
}
