// The host's console text: names as they are (the Windows program converts them to the ANSI code page).
#include "console_text.h"

std::string ConsoleText_Of(const std::string& utf8) { return utf8; }
