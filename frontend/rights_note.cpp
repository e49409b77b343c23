// The extra line for a filtered administrator: the console program asks for no elevation of its own.
#include "rights_note.h"

#include "platform.h"

const char* RightsNote_AfterContinuing() {
  if (!Platform_IsFilteredAdministrator()) return nullptr;
  return "You are an administrator, but this program runs without administrator rights: for a full removal, start "
         "Vexlor Removal Tool again from a command prompt opened with \"Run as administrator\".";
}
