// Roll-up states from the reports' outcomes; the table's columns and the CSV's quoting.
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

void Rollup_AddReport(std::vector<RollupMachine>* machines, const std::string& text, const std::string& fileName) {
  RollupMachine row = MachineOf(text, fileName);
  for (RollupMachine& known : *machines) {
    if (known.machine != row.machine) continue;
    if (row.ended > known.ended) known = row;
    return;
  }
  machines->push_back(row);
}

void Rollup_Finish(std::vector<RollupMachine>* machines, const std::string& since) {
  for (RollupMachine& row : *machines) {
    // ISO 8601 times in UTC compare as text; a bare date is earlier than every time of that day.
    if (!since.empty() && row.ended < since) row.state = "silent";
  }
  std::sort(machines->begin(), machines->end(),
            [](const RollupMachine& a, const RollupMachine& b) { return a.machine < b.machine; });
}

std::string Rollup_Table(const std::vector<RollupMachine>& machines) {
  std::string out;
  char line[512];
  std::snprintf(line, sizeof line, "%-24s %-14s %-21s %8s %5s %4s\n", "MACHINE", "STATE", "LAST REPORT", "FINDINGS",
                "LEFT", "EXIT");
  out += line;
  for (const RollupMachine& row : machines) {
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
  return out + ", total " + std::to_string(machines.size()) + "\n";
}

static std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Rollup_Csv(const std::vector<RollupMachine>& machines) {
  std::string out = "machine,state,last_report,findings,left,exit_code\n";
  for (const RollupMachine& row : machines) {
    out += CsvField(row.machine) + "," + CsvField(row.state) + "," + CsvField(row.ended) + "," +
           std::to_string(row.findings) + "," + std::to_string(row.left) + "," + std::to_string(row.exitCode) + "\n";
  }
  return out;
}
