// How the audio subsystem plugs into the platform shell: the sound manager is
// made and started on first use, updated by each idle pass, told about
// activation and deleted at shut-down; the Ogg builder is registered at start-up.
#pragma once

struct TPlatformHooks;

void AddAudioHooks(TPlatformHooks& hooks);
