// The wide long form of UTF-8 paths, for the Win32 calls the platform layer does not make.
#include "wide_path.h"

#include "file_tools.h"
#include "text.h"

std::wstring WidePath_Of(const std::string& given) {
  std::string path = FileTools_FullPath(given);
  size_t units = Text_LongPathLengthOf(path.c_str());
  std::wstring wide(units + 1, L'\0');
  if (!Text_ToLongPath(reinterpret_cast<uint16_t*>(&wide[0]), wide.size(), path.c_str())) return std::wstring();
  wide.resize(units);
  return wide;
}

std::string WidePath_Utf8(const wchar_t* wide) {
  const uint16_t* units = reinterpret_cast<const uint16_t*>(wide);
  std::string utf8(Text_Utf8LengthOf(units) + 1, '\0');
  if (!Text_FromUtf16(&utf8[0], utf8.size(), units)) return std::string();
  utf8.resize(utf8.size() - 1);
  return utf8;
}
