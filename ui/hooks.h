// How the window toolkit plugs into the platform shell: the window manager is
// made with the application object, its window script when the platform
// object loads its start-up data, the root screen by the first OpenDisplay;
// the manager goes first at shut-down. The manager reaches the platform's
// time, frame pacing, quit, tasks, clipboard, string table and presentation
// through an environment backed by TPlatform.
#pragma once

struct TPlatformHooks;

void AddWindowHooks(TPlatformHooks& hooks);
