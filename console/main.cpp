// PurgewellConsole.exe: the console removal tool; it takes no arguments.
#include "console_main.h"

int main() { return ConsoleMain(); }
