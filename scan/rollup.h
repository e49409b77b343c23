// /rollup:DIR: reads every report in a folder and prints the table, then the CSV (or writes it to /csv:FILE).
#pragma once

#include "scan_options.h"

int Rollup_Run(const ScanOptions& options);
