// The files a scan found, kept until the user has been asked whether to delete them.
#pragma once

#include <cstdint>

#include "file_removal.h"

struct FindingRecord {
  char* path;
  int32_t kind;  // the event that reported it: SCAN_EV_INFECTED_FILE, _DROPPED_FILE or _LOG_FILE
  ExaminedFile examined;  // the file as it was when reported: only that file is ever deleted
};

struct FindingList {
  FindingRecord** slots;
  int32_t count;
};

// Process-wide; every operation below takes one lock, so any thread may use them during a scan.
extern FindingList findingList;

struct FindingRemoval {
  int32_t deleted;
  int32_t total;
};

// Copies the path and examines the file it names now; null (and the list unchanged) when memory runs out.
FindingRecord* FindingList_Add(const char* path, int32_t kind);
// Deletes each listed file that is still the one examined (an infected file with its Vexlor checksum), clearing
// read-only, hidden and system first; a file refused or not deleted is not counted. The list is kept.
FindingRemoval FindingList_RemoveAll();
void FindingList_Clear();
int32_t FindingList_Count();
