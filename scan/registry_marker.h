// HKLM\SOFTWARE\Purgewell: Version, LastRun and LastResult of the last scan, for deployment systems' detection rules.
#pragma once

#include <string>

// Written in the 64-bit view on 64-bit Windows, where detection rules look. False without the rights to write.
bool RegistryMarker_Write(const std::string& version, const std::string& lastRun, unsigned lastResult);
