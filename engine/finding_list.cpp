// The findings list: heap records in report order, one slot more per addition, one lock for all.
#include "finding_list.h"

#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "real_view.h"
#include "scan_events.h"

FindingList findingList = {nullptr, 0};

static PlatformHandle findingListLock = Platform_CreateLock();

FindingRecord* FindingList_Add(const char* path, int32_t kind) {
  size_t length = std::strlen(path);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  FindingRecord* record = static_cast<FindingRecord*>(std::malloc(sizeof(FindingRecord)));
  if (copy == nullptr || record == nullptr) {
    std::free(copy);
    std::free(record);
    return nullptr;
  }
  std::memcpy(copy, path, length + 1);
  record->path = copy;
  record->kind = kind;
  // A file that cannot be examined stays listed, and counted, but is never deleted. Reports come in the ordinary
  // view; the path was found, and will be deleted, in the disk's real one.
  RealView view = RealView_Enter();
  FileRemoval_Examine(path, &record->examined);
  RealView_Leave(view);

  Platform_Lock(findingListLock);
  FindingRecord** grown = static_cast<FindingRecord**>(
      std::realloc(findingList.slots, (static_cast<size_t>(findingList.count) + 1) * sizeof(FindingRecord*)));
  if (grown == nullptr) {
    Platform_Unlock(findingListLock);
    FileRemoval_Release(&record->examined);
    std::free(copy);
    std::free(record);
    return nullptr;
  }
  findingList.slots = grown;
  findingList.slots[findingList.count] = record;
  findingList.count += 1;
  Platform_Unlock(findingListLock);
  return record;
}

FindingRemoval FindingList_RemoveAll() {
  Platform_Lock(findingListLock);
  FindingRemoval result = {0, findingList.count};
  // The paths were found in the disk's real view, so they are deleted in it, whichever thread asks.
  RealView view = RealView_Enter();
  for (int32_t i = 0; i < findingList.count; ++i) {
    const FindingRecord* record = findingList.slots[i];
    uint32_t options = REMOVAL_CLEARS_READ_ONLY;
    if (record->kind == SCAN_EV_INFECTED_FILE) options |= REMOVAL_NEEDS_VEXLOR_CHECKSUM;
    if (FileRemoval_Delete(record->path, &record->examined, options)) result.deleted += 1;
  }
  RealView_Leave(view);
  Platform_Unlock(findingListLock);
  return result;
}

void FindingList_Clear() {
  Platform_Lock(findingListLock);
  for (int32_t i = 0; i < findingList.count; ++i) {
    FileRemoval_Release(&findingList.slots[i]->examined);
    std::free(findingList.slots[i]->path);
    std::free(findingList.slots[i]);
  }
  std::free(findingList.slots);
  findingList.slots = nullptr;
  findingList.count = 0;
  Platform_Unlock(findingListLock);
}

int32_t FindingList_Count() {
  Platform_Lock(findingListLock);
  int32_t count = findingList.count;
  Platform_Unlock(findingListLock);
  return count;
}
