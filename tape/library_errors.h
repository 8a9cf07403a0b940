// libspectrum's error reporting, kept instead of printed: the library tells of each error
// through a callback as well as by its result, and by default prints the text as a line of
// its own. Its reason goes into the program's own messages instead.
#pragma once

#include <libspectrum.h>

// libspectrum_init with the quiet callback in place; once, later calls do nothing.
void library_start();

// Forgets the last error, before a call whose failure is to be explained.
void library_clear_error();

// The last error's kind (LIBSPECTRUM_ERROR_NONE when none since the clearing) and its text
// for users: the library's words without the name of its function that failed.
libspectrum_error library_error();
const char *library_reason();
