// The files a scan found, kept until the user has been asked whether to delete them.
#pragma once

#include <cstdint>

struct FindingRecord {
  char* path;
  int32_t kind;  // the event that reported it: SCAN_EV_INFECTED_FILE, _DROPPED_FILE or _LOG_FILE
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

// Copies the path; null (and the list unchanged) when memory runs out.
FindingRecord* FindingList_Add(const char* path, int32_t kind);
// Clears read-only, hidden and system attributes and deletes each listed file; the list is kept.
FindingRemoval FindingList_RemoveAll();
void FindingList_Clear();
int32_t FindingList_Count();
