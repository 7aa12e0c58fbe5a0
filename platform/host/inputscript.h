// Input scripts: timed host events in a text file, for headless runs and
// tests (format: docs/headless.md). One event per line:
//
//   <ms> <verb> <arguments>        # a comment
//
// Bad lines are reported (with their line number) and skipped; nothing in a
// script can make the reader fail as a whole.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/host.h"

struct TScriptedEvent {
  uint32_t at = 0;  // milliseconds after the start of the run
  THostEvent event;
};

// Parses a whole script. `errors` (optional) receives one text per bad line.
std::vector<TScriptedEvent> ParseInputScript(const std::string& text, std::vector<std::string>* errors = nullptr);

// The host key code for a key name of the script ("a", "7", "enter", "f5",
// "pageup" ...); 0 when unknown.
uint32_t HostKeyFromName(const std::string& name);
