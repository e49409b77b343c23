// What the roll-up's owner rule costs: every report of a folder read as the roll-up reads it, with and without
// asking each file's owner, in alternating rounds. Prints the milliseconds of each pass (not a test).
//   PurgewellRollupCost DIR [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_tools.h"

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One pass over the folder: the listing and every report read, with its owner when withOwner.
static double Pass(const std::string& folder, bool withOwner, size_t* reports) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  std::vector<std::string> names;
  FileTools_ListFiles(folder, ".json", &names);
  for (const std::string& name : names) {
    std::string text, owner;
    FileTools_ReadOwned(folder + "\\" + name, &text, 64ull << 20, withOwner ? &owner : nullptr);
  }
  QueryPerformanceCounter(&end);
  *reports = names.size();
  return Milliseconds(start, end);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: PurgewellRollupCost DIR [ROUNDS]\n");
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  size_t reports = 0;
  Pass(argv[1], true, &reports);  // warms the cache and loads what the owner lookup loads
  for (int round = 1; round <= rounds; ++round) {
    double without = Pass(argv[1], false, &reports);
    double with = Pass(argv[1], true, &reports);
    std::printf("round %d: %zu reports, without owners %.0f ms, with owners %.0f ms\n", round, reports, without, with);
  }
  return 0;
}
