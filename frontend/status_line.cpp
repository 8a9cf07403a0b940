#include "frontend/status_line.h"

#include <cstdio>

void status_say(Machine *, const char *text) { std::fprintf(stderr, "%s\n", text); }
