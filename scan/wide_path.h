// UTF-8 paths and texts to and from the wide form the Win32 calls of PurgewellScan's own take.
#pragma once

#include <string>

// The path's long form (engine/text.h), first made full as FileTools_FullPath does: a name outside the ANSI
// code page or a path past MAX_PATH works as any other. "" when it cannot be made.
std::wstring WidePath_Of(const std::string& path);
std::string WidePath_Utf8(const wchar_t* wide);
