// PurgewellScan.exe: unattended scan and removal, quarantine and roll-up, driven by switches.
#include <string>
#include <vector>

#include "wide_path.h"
#include "scan_main.h"

// The wide command line, so a folder or file named on it may hold any character; the program works in UTF-8.
int wmain(int argumentCount, wchar_t** arguments) {
  std::vector<std::string> utf8;
  for (int i = 0; i < argumentCount; ++i) utf8.push_back(WidePath_Utf8(arguments[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : utf8) pointers.push_back(argument.c_str());
  return ScanMain(argumentCount, pointers.data());
}
