// The roll-up of a folder of reports: each machine's latest trusted report, its state, a table and a CSV.
//
// A report counts for machine X only when the file's owner is X's computer account (X$, in any domain) and the
// report says "machine":"X", or when its owner is the gatherer named by /trust (an account that fetched the
// reports itself), and only when it ended no later than the roll-up began. Any other report is untrusted: shown
// on its own, with its file and owner, it makes no machine clean, cleaned, incomplete or silent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RollupMachine {
  std::string machine;  // the machine the report names (or its file's name without ".json")
  std::string state;    // "clean", "cleaned", "left infected", "incomplete", "silent" or "untrusted"
  std::string ended;    // the report's end time, "" when unknown
  uint64_t findings = 0;
  uint64_t left = 0;  // findings still on the machine
  int exitCode = -1;
  std::string report;    // the report's file name
  std::string owner;     // that file's owner, "" when none could be read
  std::string distrust;  // why an untrusted report counts for no machine
};

struct RollupTrust {
  std::string now;       // when the roll-up began, UTC (2026-12-10T14:25:41Z)
  std::string gatherer;  // /trust's account (DOMAIN\NAME, or NAME in any domain); "" trusts computers only
};

// Adds one report file's text and owner; a text that is not a report counts as an incomplete run of the
// machine named by fileName (without ".json"). A machine's latest trusted report (by end time) wins.
void Rollup_AddReport(std::vector<RollupMachine>* machines, const std::string& text, const std::string& fileName,
                      const std::string& owner, const RollupTrust& trust);
// Marks machines whose latest report ended before since as silent ("" marks none), then sorts by name, the
// untrusted reports last.
void Rollup_Finish(std::vector<RollupMachine>* machines, const std::string& since);
std::string Rollup_Table(const std::vector<RollupMachine>& machines);
std::string Rollup_Csv(const std::vector<RollupMachine>& machines);
