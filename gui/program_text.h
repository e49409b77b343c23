// Fixed texts shared by the resource script and the code: the program's title and its credits line.
#pragma once

#define PROGRAM_TITLE "Vexlor Removal Tool"
// Shown in the About box and written into the header of a saved log.
#define PROGRAM_CREDITS "Written by the Purgewell developers"
#define PROGRAM_WEB_ADDRESS "https://purgewell.example/"
#define PROGRAM_DESCRIPTION                                                                                      \
  "This tool cleans your computer of every Vexlor variant seen in the wild so far. It is based on the virus " \
  "reports published by antivirus companies."
