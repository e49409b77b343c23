// The roll-up of a folder of reports: each machine's latest report, its state, a table and a CSV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RollupMachine {
  std::string machine;
  std::string state;  // "clean", "cleaned", "left infected", "incomplete" or "silent"
  std::string ended;  // the latest report's end time, "" when unknown
  uint64_t findings = 0;
  uint64_t left = 0;  // findings still on the machine
  int exitCode = -1;
};

// Adds one report file's text; a text that is not a report counts as an incomplete run of the machine
// named by fileName (without ".json"). A machine's latest report (by end time) wins.
void Rollup_AddReport(std::vector<RollupMachine>* machines, const std::string& text, const std::string& fileName);
// Marks machines whose latest report ended before since as silent ("" marks none), then sorts by name.
void Rollup_Finish(std::vector<RollupMachine>* machines, const std::string& since);
std::string Rollup_Table(const std::vector<RollupMachine>& machines);
std::string Rollup_Csv(const std::vector<RollupMachine>& machines);
