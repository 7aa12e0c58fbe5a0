// TScriptCode: the code of one script file held as an asset, so that a file
// in use is read and compiled once however many times it runs.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/registry/asset.h"
#include "script/luaapi.h"

class TScriptCode : public TAsset {
  LANTERN_ASSET_CLASS(TScriptCode, TAsset)

public:
  // The code of a script file (read through the file layer): the live one
  // registered under the file's key when there is one, else read now and
  // registered. Empty when the file cannot be read.
  static boost::shared_ptr<TScriptCode> Get(const TString& fileName);
  // The registry key of a file: the name followed by ":script".
  static TString MakeKey(const TString& fileName);

  // Code from bytes: Lua source (a UTF-8 byte-order mark is skipped) or a chunk
  // precompiled by Lua 5.1. Error messages name the chunk "name".
  TScriptCode(const TString& name, std::vector<uint8_t> bytes);
  ~TScriptCode() override;

  // Pushes the chunk's function on L and returns 0; or pushes the error
  // message and returns the Lua error code (LUA_ERRSYNTAX, LUA_ERRMEM).
  // Source is compiled on the first push; later pushes load the compiled
  // form.
  int Push(lua_State* L) const;

  const TString& GetName() const { return name_; }
  bool IsCompiled() const { return compiled_; }

private:
  TString name_;
  TString key_;
  mutable std::vector<uint8_t> bytes_;
  mutable bool compiled_ = false;
};
