// PurgewellScan's entry: the command line, the single-instance mutex, then one task.
#pragma once

int ScanMain(int argumentCount, const char* const* arguments);
