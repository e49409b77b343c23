// The roll-up's folder listing and output.
#include "rollup.h"

#include <cstdio>

#include "console_text.h"
#include "exit_codes.h"
#include "file_tools.h"
#include "rollup_table.h"

enum : uint64_t { REPORT_SIZE_LIMIT = 64ull << 20 };

int Rollup_Run(const ScanOptions& options) {
  std::vector<std::string> names;
  if (!FileTools_ListFiles(options.rollupDirectory, ".json", &names)) {
    std::string error = FileTools_LastError();
    std::fprintf(stderr, "PurgewellScan: the folder %s cannot be read (%s)\n",
                 ConsoleText_Of(options.rollupDirectory).c_str(), error.c_str());
    return EXIT_ROLLUP_FAILED;
  }
  std::vector<RollupMachine> machines;
  RollupTrust trust;
  trust.now = FileTools_UtcNow();
  trust.gatherer = options.trustedAccount;
  for (const std::string& name : names) {
    std::string text, owner;
    if (!FileTools_ReadOwned(options.rollupDirectory + "\\" + name, &text, REPORT_SIZE_LIMIT, &owner)) text.clear();
    Rollup_AddReport(&machines, text, name, owner, trust);
  }
  Rollup_Finish(&machines, options.since);
  std::fputs(Rollup_Table(machines).c_str(), stdout);
  if (options.csvPath.empty()) {
    std::fputs("\n", stdout);
    std::fputs(Rollup_Csv(machines).c_str(), stdout);
  } else if (!FileTools_WriteAtomically(options.csvPath, Rollup_Csv(machines))) {
    std::fprintf(stderr, "PurgewellScan: the CSV %s could not be written\n", ConsoleText_Of(options.csvPath).c_str());
    return EXIT_ROLLUP_FAILED;
  }
  return EXIT_CLEAN;
}
