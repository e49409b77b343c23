// English month names; index 0 is unused so the local time's month number indexes directly.
#include "month_names.h"

const char* const MonthNames[13] = {"",     "January", "February",  "March",   "April",    "May",     "June",
                                    "July", "August",  "September", "October", "November", "December"};
