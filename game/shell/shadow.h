// The fade between game screens: the window type "Shadow" and CSWithSh, the
// screen change that it carries out at full dark.
// Depends on ui/.
#pragma once

// Stores the window to leave and the script of the next screen and raises the
// screen-change flag that the next shadow carries out. Opens nothing itself.
void CSWithSh(const char* target, const char* script);
