// PurgewellScan.exe: unattended scan and removal, quarantine and roll-up, driven by switches.
#include "scan_main.h"

int main(int argumentCount, char** arguments) { return ScanMain(argumentCount, arguments); }
