// One quarantined item's manifest: the JSON text kept beside its body, and its reading back.
#pragma once

#include <cstdint>
#include <string>

enum { QUARANTINE_MANIFEST_VERSION = 1 };

struct QuarantineItem {
  std::string id;
  std::string originalPath;
  std::string kind;  // the finding's kind, as in the report
  std::string variant;
  uint64_t size = 0;
  std::string sha256;
  std::string crc32;  // eight hex digits, "" when unknown
  std::string quarantined;  // UTC time of the move
  std::string machine;
};

std::string QuarantineManifest_Build(const QuarantineItem& item);
// False when the text is not a manifest of a version this program reads, or lacks the path or the hash.
bool QuarantineManifest_Parse(const std::string& text, QuarantineItem* item);
