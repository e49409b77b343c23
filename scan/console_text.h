// Names on standard output and error: the run's UTF-8 text in the ANSI code page, as the program has always shown it.
#pragma once

#include <string>

// A character the code page cannot spell is shown as "?"; the report and the manifests keep the exact name.
std::string ConsoleText_Of(const std::string& utf8);
