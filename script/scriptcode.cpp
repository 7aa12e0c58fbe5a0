#include "script/scriptcode.h"

#include "platform/readfile.h"
#include "script/script.h"

namespace {

int Collect(lua_State*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(out);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return 0;
}

}  // namespace

TString TScriptCode::MakeKey(const TString& fileName) { return fileName + ":script"; }

boost::shared_ptr<TScriptCode> TScriptCode::Get(const TString& fileName) {
  TAssetManager* registry = GetAssetManager();
  TString key = MakeKey(fileName);
  if (registry) {
    if (auto code = AssetCast<TScriptCode>(registry->Find(key))) return code;
  }
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(fileName, bytes, TScript::kMaxScriptSize)) return nullptr;
  auto code = boost::make_shared<TScriptCode>(fileName, std::move(bytes));
  if (registry) {
    code->key_ = key;
    registry->Add(key, code);
  }
  return code;
}

TScriptCode::TScriptCode(const TString& name, std::vector<uint8_t> bytes) : name_(name), bytes_(std::move(bytes)) {
  compiled_ = !bytes_.empty() && bytes_[0] == LUA_SIGNATURE[0];
}

TScriptCode::~TScriptCode() {
  if (!key_.IsEmpty() && GetAssetManager()) GetAssetManager()->Remove(key_, this);
}

int TScriptCode::Push(lua_State* L) const {
  int status = LuaLoadBuffer(L, bytes_.data(), bytes_.size(), ("@" + name_).c_str());
  if (status == 0 && !compiled_) {
    std::vector<uint8_t> compiled;
    if (lua_dump(L, Collect, &compiled) == 0 && !compiled.empty()) {
      bytes_.swap(compiled);
      compiled_ = true;
    }
  }
  return status;
}
