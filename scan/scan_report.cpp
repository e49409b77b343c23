// The report's JSON text: the run, its counts and every finding; the outcome and exit code derived from them.
#include "scan_report.h"

#include <cstdio>

#include "exit_codes.h"
#include "json_writer.h"

int ScanReport_ExitCode(const ScanRecord& record) {
  if (!record.finished || record.stopped || record.driveUnwalkable) return EXIT_INCOMPLETE;
  if (record.findings.empty()) return EXIT_CLEAN;
  for (const ScanFinding& finding : record.findings) {
    if (ScanFinding_Left(finding)) return EXIT_TRACES_LEFT;
  }
  return EXIT_CLEANED;
}

const char* ScanReport_Outcome(int exitCode) {
  switch (exitCode) {
    case EXIT_CLEAN: return "clean";
    case EXIT_CLEANED: return "cleaned";
    case EXIT_TRACES_LEFT: return "infected";
    case EXIT_INCOMPLETE: return "incomplete";
    default: return "not_run";
  }
}

static void AppendFinding(std::string* out, const ScanFinding& finding) {
  JsonObject object = Json_BeginObject(out);
  Json_MemberString(&object, "kind", FINDING_KIND_NAMES[finding.kind]);
  Json_MemberPath(&object, finding.kind == FINDING_RUN_VALUE ? "name" : "path", finding.path);
  if (finding.variant.empty()) {
    Json_MemberNull(&object, "variant");
  } else {
    Json_MemberString(&object, "variant", finding.variant);
  }
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(finding.crc));
  if (finding.haveCrc) Json_MemberString(&object, "crc32", crc); else Json_MemberNull(&object, "crc32");
  if (!finding.sha256.empty()) Json_MemberString(&object, "sha256", finding.sha256); else Json_MemberNull(&object, "sha256");
  if (finding.haveSize) Json_MemberNumber(&object, "size", finding.size); else Json_MemberNull(&object, "size");
  Json_MemberString(&object, "action", finding.action);
  if (!finding.error.empty()) Json_MemberString(&object, "error", finding.error); else Json_MemberNull(&object, "error");
  if (!finding.quarantineId.empty()) Json_MemberString(&object, "quarantine_id", finding.quarantineId);
  Json_EndObject(&object);
}

static void AppendCounts(JsonObject* report, const ScanRecord& record) {
  Json_MemberNumber(report, "examined", record.examined);
  Json_Key(report, "skipped");
  JsonObject skipped = Json_BeginObject(report->out);
  for (int reason = 0; reason < SKIP_REASON_COUNT; ++reason) {
    Json_MemberNumber(&skipped, SKIP_REASON_NAMES[reason], record.skipped[reason]);
  }
  Json_EndObject(&skipped);
  Json_Key(report, "unchecked");
  report->out->push_back('[');
  for (size_t i = 0; i < record.unchecked.size(); ++i) {
    if (i != 0) report->out->push_back(',');
    JsonObject entry = Json_BeginObject(report->out);
    Json_MemberString(&entry, "reason", SKIP_REASON_NAMES[record.unchecked[i].reason]);
    Json_MemberPath(&entry, "path", record.unchecked[i].path);
    Json_EndObject(&entry);
  }
  report->out->push_back(']');
  Json_MemberNumber(report, "unchecked_left_out", record.uncheckedLeftOut);
}

std::string ScanReport_Build(const ScanRecord& record, const ReportContext& context) {
  std::string out;
  JsonObject report = Json_BeginObject(&out);
  Json_MemberString(&report, "schema", "purgewell-scan-report");
  Json_MemberNumber(&report, "schema_version", SCAN_REPORT_SCHEMA_VERSION);
  Json_MemberString(&report, "program", "PurgewellScan");
  Json_MemberString(&report, "version", context.version);
  Json_MemberString(&report, "machine", context.machine);
  Json_MemberString(&report, "mode", context.mode);
  Json_MemberBool(&report, "administrator", context.administrator);
  if (!context.note.empty()) Json_MemberString(&report, "note", context.note);
  Json_MemberString(&report, "started", record.started);
  Json_MemberString(&report, "ended", record.ended);
  Json_MemberBool(&report, "completed", context.exitCode < EXIT_INCOMPLETE);
  Json_MemberBool(&report, "stopped", record.stopped);
  Json_MemberString(&report, "outcome", ScanReport_Outcome(context.exitCode));
  Json_MemberNumber(&report, "exit_code", static_cast<uint64_t>(context.exitCode));
  if (context.quarantine.empty()) Json_MemberNull(&report, "quarantine"); else Json_MemberPath(&report, "quarantine", context.quarantine);
  AppendCounts(&report, record);
  Json_Key(&report, "findings");
  out.push_back('[');
  for (size_t i = 0; i < record.findings.size(); ++i) {
    if (i != 0) out.push_back(',');
    out.append("\n  ");
    AppendFinding(&out, record.findings[i]);
  }
  out.append(record.findings.empty() ? "]" : "\n]");
  Json_EndObject(&report);
  out.push_back('\n');
  return out;
}
