// The roll-up's folder listing and output.
#include "rollup.h"

#include <windows.h>

#include <cstdio>

#include "exit_codes.h"
#include "file_tools.h"
#include "rollup_table.h"

enum : uint64_t { REPORT_SIZE_LIMIT = 64ull << 20 };

int Rollup_Run(const ScanOptions& options) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((options.rollupDirectory + "\\*.json").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "PurgewellScan: the folder %s cannot be read (%s)\n", options.rollupDirectory.c_str(),
                 FileTools_LastError().c_str());
    return EXIT_ROLLUP_FAILED;
  }
  std::vector<RollupMachine> machines;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string text;
      if (!FileTools_Read(options.rollupDirectory + "\\" + entry.cFileName, &text, REPORT_SIZE_LIMIT)) text.clear();
      Rollup_AddReport(&machines, text, entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  Rollup_Finish(&machines, options.since);
  std::fputs(Rollup_Table(machines).c_str(), stdout);
  if (options.csvPath.empty()) {
    std::fputs("\n", stdout);
    std::fputs(Rollup_Csv(machines).c_str(), stdout);
  } else if (!FileTools_WriteAtomically(options.csvPath, Rollup_Csv(machines))) {
    std::fprintf(stderr, "PurgewellScan: the CSV %s could not be written\n", options.csvPath.c_str());
    return EXIT_ROLLUP_FAILED;
  }
  return EXIT_CLEAN;
}
