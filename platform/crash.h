// The crash reporter: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT) it writes "<executable's name>-crash.txt" into the user folder
// (beside the log; never beside the program, which an installed game cannot
// write) with the signal, the fault address, a backtrace and the last log
// lines, and then lets the process die by that same signal (so the exit
// status and core dumps stay as they were). The handlers run on an
// alternate stack, so a stack overflow is reported too.
// Part of platform/; uses the folders and the log.
#pragma once
#include "platform/string.h"

// Installs the handlers (once) and points the report at the user folder as
// the settings give it now. The program calls it first thing at start-up
// and again once its settings are read (a "userfolder" option moves it).
void InstallCrashReporter();
// The report file: "<user folder>/<executable's name>-crash.txt" as the last
// InstallCrashReporter set it (before any, as the settings give it now);
// empty when there is no user folder (no home), and then none is written.
TString GetCrashReportPath();
