// Parsing of PurgewellScan's switches and the usage text that documents them.
#include "scan_options.h"

#include <cstring>

const char SCAN_USAGE[] =
    "Usage: PurgewellScan [/remove | /delete] [/quarantine:DIR] [/report:FILE] [/note:TEXT] [/quiet]\n"
    "       PurgewellScan /list [/quarantine:DIR]\n"
    "       PurgewellScan /restore:ID | /restore:all [/quarantine:DIR]\n"
    "       PurgewellScan /rollup:DIR [/since:TIME] [/csv:FILE] [/trust:ACCOUNT]\n"
    "\n"
    "  (no switch)      report only: nothing is terminated, deleted or moved\n"
    "  /remove          terminate, delete the Run value, move every file found into quarantine\n"
    "  /delete          as /remove, but delete the files outright\n"
    "  /quarantine:DIR  the quarantine folder (default: Purgewell\\Quarantine in the common application data)\n"
    "  /report:FILE     write the JSON report to FILE\n"
    "  /note:TEXT       keep TEXT in the report as its note (the start-up script's word on the program)\n"
    "  /quiet           print errors only\n"
    "  /list            list the quarantined items\n"
    "  /restore:ID      put a quarantined item back where it was; /restore:all puts back every item\n"
    "  /rollup:DIR      summarise a folder of reports as a table and CSV\n"
    "  /since:TIME      with /rollup: machines whose last report ended before TIME (2026-12-01 or\n"
    "                   2026-12-01T08:00:00Z, UTC) are shown as silent\n"
    "  /csv:FILE        with /rollup: write the CSV to FILE instead of after the table\n"
    "  /trust:ACCOUNT   with /rollup: reports whose file ACCOUNT owns (one that gathered them, DOMAIN\\NAME)\n"
    "                   count for the machine they name; otherwise only a machine's own account's do\n"
    "\n"
    "Exit codes: 0 clean, 1 cleaned, 2 traces left, 3 incomplete, 4 bad command line, 5 already running,\n"
    "6 no administrator rights, 7 report not written, 8 quarantine unusable, 9 internal error,\n"
    "10 restore refused, 11 restore failed, 12 roll-up failed (13: the start-up script ran nothing).\n";

namespace {

struct SwitchValue {
  const char* name;
  std::string ScanOptions::*field;
  int task;  // the task the switch selects, or -1
};

const SwitchValue VALUE_SWITCHES[] = {
    {"quarantine", &ScanOptions::quarantineDirectory, -1},
    {"report", &ScanOptions::reportPath, -1},
    {"restore", &ScanOptions::restoreId, TASK_RESTORE},
    {"rollup", &ScanOptions::rollupDirectory, TASK_ROLLUP},
    {"since", &ScanOptions::since, -1},
    {"csv", &ScanOptions::csvPath, -1},
    {"note", &ScanOptions::note, -1},
    {"trust", &ScanOptions::trustedAccount, -1},
};

bool EqualNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool SelectTask(ScanOptions* options, int task, std::string* error) {
  if (options->task != TASK_SCAN && options->task != task) {
    *error = "/list, /restore, /rollup and /? exclude each other";
    return false;
  }
  options->task = task;
  return true;
}

bool ParseFlag(const std::string& name, ScanOptions* options, std::string* error) {
  if (EqualNoCase(name, "remove") || EqualNoCase(name, "delete")) {
    int removal = EqualNoCase(name, "remove") ? REMOVAL_QUARANTINE : REMOVAL_DELETE;
    if (options->removal != REMOVAL_NONE && options->removal != removal) {
      *error = "/remove and /delete exclude each other";
      return false;
    }
    options->removal = removal;
    return true;
  }
  if (EqualNoCase(name, "quiet")) return options->quiet = true;
  if (EqualNoCase(name, "list")) return SelectTask(options, TASK_LIST, error);
  if (EqualNoCase(name, "?") || EqualNoCase(name, "help")) return SelectTask(options, TASK_HELP, error);
  *error = "unknown switch /" + name;
  return false;
}

bool ParseOne(const std::string& argument, ScanOptions* options, std::string* error) {
  if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
    *error = "not a switch: " + argument;
    return false;
  }
  size_t colon = argument.find(':');
  std::string name = argument.substr(1, colon == std::string::npos ? std::string::npos : colon - 1);
  if (colon == std::string::npos) return ParseFlag(name, options, error);
  std::string value = argument.substr(colon + 1);
  for (const SwitchValue& entry : VALUE_SWITCHES) {
    if (!EqualNoCase(name, entry.name)) continue;
    if (value.empty()) {
      *error = "/" + name + " needs a value after ':'";
      return false;
    }
    options->*entry.field = value;
    return entry.task < 0 || SelectTask(options, entry.task, error);
  }
  *error = "unknown switch /" + name;
  return false;
}

}  // namespace

bool ScanOptions_Parse(int count, const char* const* arguments, ScanOptions* options, std::string* error) {
  *options = ScanOptions();
  for (int i = 1; i < count; ++i) {
    if (!ParseOne(arguments[i], options, error)) return false;
  }
  bool scanning = options->task == TASK_SCAN;
  if (!scanning && (options->removal != REMOVAL_NONE || !options->reportPath.empty())) {
    *error = "/remove, /delete and /report belong to a scan only";
    return false;
  }
  if (!scanning && !options->note.empty()) {
    *error = "/note belongs to a scan only";
    return false;
  }
  if (options->task != TASK_ROLLUP && (!options->since.empty() || !options->csvPath.empty())) {
    *error = "/since and /csv belong to /rollup only";
    return false;
  }
  if (options->task != TASK_ROLLUP && !options->trustedAccount.empty()) {
    *error = "/trust belongs to /rollup only";
    return false;
  }
  if (options->task == TASK_ROLLUP && !options->quarantineDirectory.empty()) {
    *error = "/quarantine does not belong to /rollup";
    return false;
  }
  return true;
}
