// Manifest text: written with the JSON writer, read with the JSON reader; the path survives any bytes.
#include "quarantine_manifest.h"

#include "json_reader.h"
#include "json_writer.h"

std::string QuarantineManifest_Build(const QuarantineItem& item) {
  std::string out;
  JsonObject manifest = Json_BeginObject(&out);
  Json_MemberString(&manifest, "schema", "purgewell-quarantine-item");
  Json_MemberNumber(&manifest, "schema_version", QUARANTINE_MANIFEST_VERSION);
  Json_MemberString(&manifest, "id", item.id);
  Json_MemberPath(&manifest, "original_path", item.originalPath);
  Json_MemberString(&manifest, "kind", item.kind);
  Json_MemberString(&manifest, "variant", item.variant);
  Json_MemberNumber(&manifest, "size", item.size);
  Json_MemberString(&manifest, "sha256", item.sha256);
  Json_MemberString(&manifest, "crc32", item.crc32);
  Json_MemberString(&manifest, "quarantined", item.quarantined);
  Json_MemberString(&manifest, "machine", item.machine);
  Json_EndObject(&manifest);
  out.push_back('\n');
  return out;
}

bool QuarantineManifest_Parse(const std::string& text, QuarantineItem* item) {
  JsonValue manifest;
  if (!Json_Parse(text, &manifest) || Json_FindText(manifest, "schema") != "purgewell-quarantine-item") return false;
  if (Json_FindUnsigned(manifest, "schema_version") != QUARANTINE_MANIFEST_VERSION) return false;
  item->id = Json_FindText(manifest, "id");
  item->originalPath = Json_FindPath(manifest, "original_path");
  item->kind = Json_FindText(manifest, "kind");
  item->variant = Json_FindText(manifest, "variant");
  item->size = Json_FindUnsigned(manifest, "size");
  item->sha256 = Json_FindText(manifest, "sha256");
  item->crc32 = Json_FindText(manifest, "crc32");
  item->quarantined = Json_FindText(manifest, "quarantined");
  item->machine = Json_FindText(manifest, "machine");
  return !item->id.empty() && !item->originalPath.empty() && item->sha256.size() == 64;
}
