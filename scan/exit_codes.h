// PurgewellScan's exit codes: 0 to 3 tell what a run found and did, 4 and up why it could not run.
#pragma once

enum {
  EXIT_CLEAN = 0,              // no traces, and the scan completed
  EXIT_CLEANED = 1,            // traces found, and every one removed or quarantined
  EXIT_TRACES_LEFT = 2,        // traces left in place (report only), or some removal failed
  EXIT_INCOMPLETE = 3,         // stopped, or a fixed drive could not be walked
  EXIT_BAD_COMMAND_LINE = 4,   // an unknown switch, a missing value, switches that exclude each other
  EXIT_ALREADY_RUNNING = 5,    // another copy of Purgewell, PurgewellConsole or PurgewellScan is running
  EXIT_NO_RIGHTS = 6,          // /remove or /delete without administrator rights
  EXIT_REPORT_FAILED = 7,      // the report file could not be written
  EXIT_QUARANTINE_FAILED = 8,  // the quarantine folder could not be created or read
  EXIT_INTERNAL_ERROR = 9,     // the scanning thread could not be started
  EXIT_RESTORE_REFUSED = 10,   // a restore found a file at the original path and left both alone
  EXIT_RESTORE_FAILED = 11,    // no such quarantined item, or its restore failed
  EXIT_ROLLUP_FAILED = 12,     // the roll-up folder could not be read, or its CSV could not be written
  // 13 is deploy/purgewell-startup.cmd's: it ran nothing, the program not being the release it was stamped for.
  EXIT_STARTUP_REFUSED = 13,
};
