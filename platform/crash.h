// The crash reporter: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT) it writes "<executable>-crash.txt" with the signal, the fault
// address, a backtrace and the last log lines, and then lets the process die
// by that same signal (so the exit status and core dumps stay as they were).
// The handlers run on an alternate stack, so a stack overflow is reported too.
// Part of platform/; uses the log.
#pragma once
#include "platform/string.h"

// Installs the handlers; calling it again does nothing. The program calls it
// first thing at start-up.
void InstallCrashReporter();
// The report file: the executable's path with "-crash.txt" appended.
TString GetCrashReportPath();
