// The walk's reader threads: listed files are opened and checksummed in parallel, and a ring of slots between
// them and the reporter sends every event in exactly the order of a serial walk.
#pragma once

#include "platform.h"
#include "scan_events.h"

enum { READ_POOL_SLOTS = 64, READ_POOL_MAX_THREADS = 8 };

struct ReadPool;

// One reader thread for each CPU the process may use (at most READ_POOL_MAX_THREADS). Null when it may use one
// CPU only, or no thread or memory can be had: the walk is then the serial one.
ReadPool* ReadPool_Start(ScanReporter reporter);
// Hands over one listed file; then reports every leading file whose read is done. Called by the walking thread
// only, which is the one the reporter is called on.
void ReadPool_AddFile(ReadPool* pool, const char* path, const PlatformFindData& entry);
// A skip of the walk itself (SCAN_EV_SKIPPED_...), sent in its place among the files' events.
void ReadPool_AddSkip(ReadPool* pool, ScanEvent event, const char* text);
// Reports every file handed over, waiting for the reads. False when a stop request left a file unread: it and
// everything handed over after it give no event.
bool ReadPool_Flush(ReadPool* pool);
// Flushes, ends the threads and frees the pool; returns what the flush returned.
bool ReadPool_Finish(ReadPool* pool);
