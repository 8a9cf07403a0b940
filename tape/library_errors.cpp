#include "tape/library_errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

char reason[128];
libspectrum_error last_error;

libspectrum_error keep_reason(libspectrum_error error, const char *format, va_list ap) {
    char text[sizeof reason];
    std::vsnprintf(text, sizeof text, format, ap);
    // The text starts with the name of the library's function that failed: not for users.
    const char *words = std::strstr(text, ": ");
    std::snprintf(reason, sizeof reason, "%s", words ? words + 2 : text);
    last_error = error;
    return error;
}

}  // namespace

void library_start() {
    static bool started = false;
    if (started) return;
    libspectrum_error_function = keep_reason;
    libspectrum_init();
    started = true;
}

void library_clear_error() {
    last_error = LIBSPECTRUM_ERROR_NONE;
    reason[0] = '\0';
}

libspectrum_error library_error() { return last_error; }
const char *library_reason() { return reason; }
