// The extra line for an administrator whom UAC runs with filtered rights.
#pragma once

// After the administrator question is answered with y: the line to print, or null when the user is not an
// administrator running filtered (XP, a standard user, or an elevated program).
const char* RightsNote_AfterContinuing();
