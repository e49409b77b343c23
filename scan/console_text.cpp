// UTF-8 to the ANSI code page for the program's printed lines.
#include "console_text.h"

#include <windows.h>

#include "text.h"

std::string ConsoleText_Of(const std::string& utf8) {
  size_t units = Text_Utf16LengthOf(utf8.c_str()) + 1;
  std::wstring wide(units, L'\0');
  Text_ToUtf16(reinterpret_cast<uint16_t*>(&wide[0]), units, utf8.c_str());
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &ansi[0], bytes, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(bytes) - 1);
  return ansi;
}
