// The findings list: heap records in report order, one slot more per addition, one lock for all.
#include "finding_list.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform.h"

FindingList findingList = {nullptr, 0};

static std::mutex findingListLock;

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

  std::lock_guard<std::mutex> hold(findingListLock);
  FindingRecord** grown = static_cast<FindingRecord**>(
      std::realloc(findingList.slots, (static_cast<size_t>(findingList.count) + 1) * sizeof(FindingRecord*)));
  if (grown == nullptr) {
    std::free(copy);
    std::free(record);
    return nullptr;
  }
  findingList.slots = grown;
  findingList.slots[findingList.count] = record;
  findingList.count += 1;
  return record;
}

FindingRemoval FindingList_RemoveAll() {
  std::lock_guard<std::mutex> hold(findingListLock);
  FindingRemoval result = {0, findingList.count};
  for (int32_t i = 0; i < findingList.count; ++i) {
    const char* path = findingList.slots[i]->path;
    Platform_SetAttributesNormal(path);
    if (Platform_DeleteFile(path)) result.deleted += 1;
  }
  return result;
}

void FindingList_Clear() {
  std::lock_guard<std::mutex> hold(findingListLock);
  if (findingList.count == 0) return;
  for (int32_t i = 0; i < findingList.count; ++i) {
    std::free(findingList.slots[i]->path);
    std::free(findingList.slots[i]);
  }
  std::free(findingList.slots);
  findingList.slots = nullptr;
  findingList.count = 0;
}

int32_t FindingList_Count() {
  std::lock_guard<std::mutex> hold(findingListLock);
  return findingList.count;
}
