// game/shell/data: the game data: main.xml and the level model, progress, saves, profiles, play log.
// The save blob "LocInfoPass": the lists and location records of a
// GameProgress as bytes (the integer progress keys beside it are written by
// UserInfo::SaveProgress).
//
// All integers are u32 little-endian, floats their IEEE-754 bit patterns,
// strings a u32 length and that many bytes (no terminator). In order: the
// version (main.xml Common "NumSaveVer"); the tools (count, all names, then
// all values); the arts, second names, shown, shown-infos and photo lists
// (count, strings); the location records (count; per record: name, second
// name, three floats, passed, start date, start time, pass date, pass time,
// coins, item ids, object states (a, b, values), object texts (a, b, text)).
// The layout sets no limit of its own: a blob is as long as the progress
// needs; only a blob above kSaveBlobMaxSize (absurd for any game) is refused.
// Depends on gameprogress.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "platform/string.h"

// The largest blob written or read: a bound against absurd sizes only (a long
// game's blob is a few tens of kilobytes).
constexpr size_t kSaveBlobMaxSize = size_t(16) << 20;

// main.xml Common "NumSaveVer" (0 when absent).
int GetSaveVersion();

// The blob of the progress's lists and records, whole (callers refuse one
// above kSaveBlobMaxSize). A string is written up to its first zero byte.
std::vector<uint8_t> WriteSaveBlob(const GameProgress& progress, uint32_t version);

enum class TSaveRead { kOk, kOtherVersion, kDamaged };

// Reads a blob into the progress's lists and records, replacing them only
// when the whole blob reads (the integer fields are left alone). Every count
// and length is checked against the bytes there are; a blob above
// kSaveBlobMaxSize, one cut short or one with bytes left over is damaged. On
// anything but kOk, `why` (when given) says what was wrong and `foundVersion`
// gets the blob's version when it has one.
TSaveRead ReadSaveBlob(const uint8_t* data, size_t size, uint32_t version, GameProgress& progress,
                       TString* why = nullptr, uint32_t* foundVersion = nullptr);
