// Roll-up states from the reports' outcomes, which reports count (their owners, their end), the table and the CSV.
#include "rollup_table.h"

#include <algorithm>
#include <cstdio>

#include "json_reader.h"

static const char* const ROLLUP_STATES[] = {"clean", "cleaned", "left infected", "incomplete", "silent"};

static std::string StateOf(const std::string& outcome) {
  if (outcome == "clean") return "clean";
  if (outcome == "cleaned") return "cleaned";
  if (outcome == "infected") return "left infected";
  return "incomplete";
}

static RollupMachine MachineOf(const std::string& text, const std::string& fileName) {
  RollupMachine row;
  row.machine = fileName.size() > 5 ? fileName.substr(0, fileName.size() - 5) : fileName;
  row.state = "incomplete";
  JsonValue report;
  if (!Json_Parse(text, &report) || Json_FindText(report, "schema") != "purgewell-scan-report") return row;
  if (!Json_FindText(report, "machine").empty()) row.machine = Json_FindText(report, "machine");
  row.state = StateOf(Json_FindText(report, "outcome"));
  row.ended = Json_FindText(report, "ended");
  row.exitCode = static_cast<int>(Json_FindUnsigned(report, "exit_code"));
  const JsonValue* findings = Json_Find(report, "findings");
  if (findings == nullptr || !findings->is_array()) return row;
  for (const JsonValue& finding : *findings) {
    std::string action = Json_FindText(finding, "action");
    row.findings += 1;
    if (action != "terminated" && action != "deleted" && action != "quarantined") row.left += 1;
  }
  return row;
}

static bool SameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

static std::string AccountName(const std::string& account) {
  size_t slash = account.rfind('\\');
  return slash == std::string::npos ? account : account.substr(slash + 1);
}

// Why the report cannot count for its machine; "" when it can.
static std::string Distrust(const RollupMachine& row, const RollupTrust& trust) {
  if (!row.ended.empty() && row.ended > trust.now) return "it says it ended after this roll-up began";
  if (row.owner.empty()) return "its file's owner cannot be read";
  bool gathered = !trust.gatherer.empty() &&
                  (trust.gatherer.find('\\') == std::string::npos ? SameLetters(AccountName(row.owner), trust.gatherer)
                                                                    : SameLetters(row.owner, trust.gatherer));
  if (gathered || (!row.machine.empty() && SameLetters(AccountName(row.owner), row.machine + "$"))) return "";
  return "its file's owner is not " + row.machine + "$";
}

void Rollup_AddReport(std::vector<RollupMachine>* machines, const std::string& text, const std::string& fileName,
                      const std::string& owner, const RollupTrust& trust) {
  RollupMachine row = MachineOf(text, fileName);
  row.report = fileName;
  row.owner = owner;
  row.distrust = Distrust(row, trust);
  if (!row.distrust.empty()) {
    row.state = "untrusted";
    machines->push_back(row);
    return;
  }
  for (RollupMachine& known : *machines) {
    if (known.machine != row.machine || known.state == "untrusted") continue;
    if (row.ended > known.ended) known = row;
    return;
  }
  machines->push_back(row);
}

static bool Untrusted(const RollupMachine& row) { return row.state == "untrusted"; }

void Rollup_Finish(std::vector<RollupMachine>* machines, const std::string& since) {
  for (RollupMachine& row : *machines) {
    // ISO 8601 times in UTC compare as text; a bare date is earlier than every time of that day.
    if (!Untrusted(row) && !since.empty() && row.ended < since) row.state = "silent";
  }
  std::sort(machines->begin(), machines->end(), [](const RollupMachine& a, const RollupMachine& b) {
    if (Untrusted(a) != Untrusted(b)) return Untrusted(b);
    return Untrusted(a) ? a.report < b.report : a.machine < b.machine;
  });
}

// A hostile report's text on the console: control characters shown as '?'.
static std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return out;
}

// The untrusted reports after the machines' summary, one line each: file, owner, the machine it names, and why.
static std::string UntrustedLines(const std::vector<RollupMachine>& machines) {
  std::string out;
  for (const RollupMachine& row : machines) {
    if (!Untrusted(row)) continue;
    if (out.empty()) out = "Untrusted reports (counted for no machine):\n";
    out += "  " + Printable(row.report) + " (owner " + (row.owner.empty() ? "unknown" : Printable(row.owner)) +
           ", says " + Printable(row.machine) + "): " + Printable(row.distrust) + "\n";
  }
  return out;
}

std::string Rollup_Table(const std::vector<RollupMachine>& machines) {
  std::string out;
  char line[512];
  std::snprintf(line, sizeof line, "%-24s %-14s %-21s %8s %5s %4s\n", "MACHINE", "STATE", "LAST REPORT", "FINDINGS",
                "LEFT", "EXIT");
  out += line;
  size_t trusted = 0;
  for (const RollupMachine& row : machines) {
    if (Untrusted(row)) continue;
    trusted += 1;
    std::snprintf(line, sizeof line, "%-24s %-14s %-21s %8llu %5llu %4d\n", row.machine.c_str(), row.state.c_str(),
                  row.ended.empty() ? "-" : row.ended.c_str(), static_cast<unsigned long long>(row.findings),
                  static_cast<unsigned long long>(row.left), row.exitCode);
    out += line;
  }
  out += "Machines:";
  for (size_t i = 0; i < sizeof ROLLUP_STATES / sizeof ROLLUP_STATES[0]; ++i) {
    long count = std::count_if(machines.begin(), machines.end(),
                               [i](const RollupMachine& row) { return row.state == ROLLUP_STATES[i]; });
    out += std::string(i == 0 ? " " : ", ") + ROLLUP_STATES[i] + " " + std::to_string(count);
  }
  return out + ", total " + std::to_string(trusted) + "\n" + UntrustedLines(machines);
}

static std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Rollup_Csv(const std::vector<RollupMachine>& machines) {
  std::string out = "machine,state,last_report,findings,left,exit_code,report,owner\n";
  for (const RollupMachine& row : machines) {
    out += CsvField(row.machine) + "," + CsvField(row.state) + "," + CsvField(row.ended) + "," +
           std::to_string(row.findings) + "," + std::to_string(row.left) + "," + std::to_string(row.exitCode) + "," +
           CsvField(row.report) + "," + CsvField(row.owner) + "\n";
  }
  return out;
}
