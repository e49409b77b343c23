// The reader threads and the ring of slots between the walk and the reporter: kernel semaphores only where a
// thread must sleep, atomic counts otherwise, so a busy pool costs no call per file beyond the file's own.
#include "read_pool.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "real_view.h"
#include "walk_file.h"

namespace {

// A count with a kernel semaphore behind it, used only when a taker finds nothing: a post to a count nobody
// waits on is one atomic addition.
struct LightSemaphore {
  std::atomic<int32_t> count;
  PlatformHandle kernel;
};

enum : int32_t { SLOT_FILE = 0, SLOT_SKIP = 1 };

struct PoolSlot {
  char* path;  // the file's path, or the skip's text; grown to the longest one it has held
  size_t capacity;
  int32_t kind;
  ScanEvent skipEvent;
  WalkFileVerdict verdict;
  // 1: ready to report; 0: its read is under way; -1: the walking thread sleeps until it is done.
  std::atomic<int32_t> done;
  bool waited;  // walking thread only: it has waited for this slot, whose done count is now spent
};

// Sleeping threads are woken for this many files at once: a wake is a kernel call (under Wine a round trip to
// its server), which the walk would otherwise pay for every file.
const uint32_t READ_POOL_BATCH = 8;

// A slot index for the readers, or the sign to end.
const int32_t READER_END = -1;

}  // namespace

struct ReadPool {
  ScanReporter reporter;
  PoolSlot slots[READ_POOL_SLOTS];
  // Walking thread only: slots handed over and reported (a slot's number modulo the ring size is its place).
  uint32_t handed;
  uint32_t reported;
  bool cut;  // a stop left a file unread: nothing more is reported
  // The readers' queue of slot indexes: written by the walking thread, taken in turn by the readers.
  std::atomic<int32_t> queue[READ_POOL_SLOTS];
  uint32_t queued;
  uint32_t unposted;  // queued for the readers but not yet counted in work
  std::atomic<uint32_t> taken;
  LightSemaphore work;
  PlatformHandle walkerWake;  // released by the reader that finishes the slot the walking thread waits for
  PlatformHandle threads[READ_POOL_MAX_THREADS];
  int threadCount;
};

// Adds count and wakes as many sleepers as it can serve, in one kernel call.
static void LightPost(LightSemaphore* semaphore, int32_t count) {
  int32_t before = semaphore->count.fetch_add(count);
  int32_t sleepers = before < 0 ? (-before < count ? -before : count) : 0;
  if (sleepers > 0) Platform_ReleaseSemaphore(semaphore->kernel, sleepers);
}

static void LightWait(LightSemaphore* semaphore) {
  if (semaphore->count.fetch_sub(1) <= 0) Platform_WaitSemaphore(semaphore->kernel);
}

// A reader: takes the next queued slot, reads its file unless a stop was asked for, and marks it done.
static unsigned ReaderThread(void* argument) {
  ReadPool* pool = static_cast<ReadPool*>(argument);
  // The redirector is per thread: the readers see the disk as the walking thread does during a scan.
  RealView view = RealView_Enter();
  for (;;) {
    LightWait(&pool->work);
    uint32_t turn = pool->taken.fetch_add(1);
    int32_t index = pool->queue[turn % READ_POOL_SLOTS].load();
    if (index == READER_END) break;
    PoolSlot* slot = &pool->slots[index];
    if (ScanControl_StopRequested()) {
      slot->verdict.outcome = WALK_FILE_NOT_READ;
    } else {
      slot->verdict = WalkFile_Read(slot->path);
    }
    if (slot->done.fetch_add(1) == -1) Platform_ReleaseSemaphore(pool->walkerWake, 1);
  }
  RealView_Leave(view);
  return 0;
}

static void PostQueued(ReadPool* pool) {
  if (pool->unposted == 0) return;
  LightPost(&pool->work, static_cast<int32_t>(pool->unposted));
  pool->unposted = 0;
}

// While no reader sleeps a file is counted at once (an atomic addition); sleeping readers get a batch.
static void Queue(ReadPool* pool, int32_t index) {
  pool->queue[pool->queued++ % READ_POOL_SLOTS].store(index);
  pool->unposted += 1;
  if (pool->unposted >= READ_POOL_BATCH || pool->work.count.load() >= 0) PostQueued(pool);
}

// Sleeps, when it must, until the slot is done; everything queued is counted first, so the readers can reach it.
static void WaitForSlot(ReadPool* pool, PoolSlot* slot) {
  PostQueued(pool);
  if (slot->done.fetch_sub(1) == 0) Platform_WaitSemaphore(pool->walkerWake);
  slot->waited = true;
}

// Waits for the oldest slot and sends its events, unless a stop has cut the walk before it.
static void ReportOldest(ReadPool* pool) {
  PoolSlot* slot = &pool->slots[pool->reported % READ_POOL_SLOTS];
  if (!slot->waited) WaitForSlot(pool, slot);
  pool->reported += 1;
  if (slot->kind == SLOT_FILE && slot->verdict.outcome == WALK_FILE_NOT_READ) pool->cut = true;
  if (pool->cut) return;
  if (slot->kind == SLOT_SKIP) {
    ScanControl_ReportSkip(pool->reporter, slot->skipEvent, slot->path);
  } else {
    WalkFile_Report(pool->reporter, slot->path, slot->verdict);
  }
}

static void ReportDone(ReadPool* pool) {
  while (pool->reported != pool->handed) {
    const PoolSlot& oldest = pool->slots[pool->reported % READ_POOL_SLOTS];
    if (!oldest.waited && oldest.done.load() != 1) return;
    ReportOldest(pool);
  }
}

// The next free slot holding a copy of text; null when memory for the copy runs out. On a full ring the walk
// sleeps until a batch of the oldest files is read, then reports the oldest.
static PoolSlot* FillSlot(ReadPool* pool, const char* text) {
  if (pool->handed - pool->reported == READ_POOL_SLOTS) {
    PoolSlot* last = &pool->slots[(pool->reported + READ_POOL_BATCH - 1) % READ_POOL_SLOTS];
    if (!last->waited) WaitForSlot(pool, last);
    ReportOldest(pool);
  }
  PoolSlot* slot = &pool->slots[pool->handed % READ_POOL_SLOTS];
  slot->waited = false;
  size_t length = std::strlen(text);
  if (length + 1 > slot->capacity) {
    size_t grown = (length + 1 + 255) & ~static_cast<size_t>(255);
    char* path = static_cast<char*>(std::realloc(slot->path, grown));
    if (path == nullptr) return nullptr;
    slot->path = path;
    slot->capacity = grown;
  }
  std::memcpy(slot->path, text, length + 1);
  return slot;
}

void ReadPool_AddFile(ReadPool* pool, const char* path, const PlatformFindData& entry) {
  WalkFileVerdict verdict = WalkFile_Listed(entry);
  PoolSlot* slot = FillSlot(pool, path);
  if (slot == nullptr) {
    // No room for the path: everything before it goes out first, then it is read here.
    if (!ReadPool_Flush(pool)) return;
    if (verdict.outcome == WALK_FILE_NEEDS_READ) verdict = WalkFile_Read(path);
    WalkFile_Report(pool->reporter, path, verdict);
    return;
  }
  slot->kind = SLOT_FILE;
  slot->verdict = verdict;
  int32_t index = static_cast<int32_t>(pool->handed % READ_POOL_SLOTS);
  pool->handed += 1;
  if (verdict.outcome == WALK_FILE_NEEDS_READ) {
    slot->done.store(0);
    Queue(pool, index);
  } else {
    slot->done.store(1);
  }
  ReportDone(pool);
}

void ReadPool_AddSkip(ReadPool* pool, ScanEvent event, const char* text) {
  PoolSlot* slot = FillSlot(pool, text);
  if (slot == nullptr) {
    if (ReadPool_Flush(pool)) ScanControl_ReportSkip(pool->reporter, event, text);
    return;
  }
  slot->kind = SLOT_SKIP;
  slot->skipEvent = event;
  slot->done.store(1);
  pool->handed += 1;
  ReportDone(pool);
}

bool ReadPool_Flush(ReadPool* pool) {
  while (pool->reported != pool->handed) ReportOldest(pool);
  return !pool->cut;
}

static void FreePool(ReadPool* pool) {
  if (pool->work.kernel != nullptr) Platform_CloseSemaphore(pool->work.kernel);
  if (pool->walkerWake != nullptr) Platform_CloseSemaphore(pool->walkerWake);
  for (int i = 0; i < READ_POOL_SLOTS; ++i) std::free(pool->slots[i].path);
  delete pool;
}

// Every reader takes one end sign from the queue, which the flush before has emptied.
static void EndReaders(ReadPool* pool) {
  for (int i = 0; i < pool->threadCount; ++i) Queue(pool, READER_END);
  PostQueued(pool);
  for (int i = 0; i < pool->threadCount; ++i) {
    Platform_WaitThread(pool->threads[i]);
    Platform_CloseThread(pool->threads[i]);
  }
  pool->threadCount = 0;
}

ReadPool* ReadPool_Start(ScanReporter reporter) {
  uint32_t cpus = Platform_UsableCpuCount();
  if (cpus < 2) return nullptr;
  ReadPool* pool = new (std::nothrow) ReadPool();
  if (pool == nullptr) return nullptr;
  pool->reporter = reporter;
  pool->work.kernel = Platform_CreateSemaphore(0, 0x7FFFFFFF);
  pool->walkerWake = Platform_CreateSemaphore(0, 0x7FFFFFFF);
  int wanted = cpus < READ_POOL_MAX_THREADS ? static_cast<int>(cpus) : READ_POOL_MAX_THREADS;
  while (pool->work.kernel != nullptr && pool->walkerWake != nullptr && pool->threadCount < wanted) {
    PlatformHandle thread = Platform_StartThread(ReaderThread, pool);
    if (thread == nullptr) break;
    pool->threads[pool->threadCount++] = thread;
  }
  if (pool->threadCount == 0) {
    FreePool(pool);
    return nullptr;
  }
  return pool;
}

bool ReadPool_Finish(ReadPool* pool) {
  bool complete = ReadPool_Flush(pool);
  EndReaders(pool);
  FreePool(pool);
  return complete;
}
