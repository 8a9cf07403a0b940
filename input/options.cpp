#include "input/options.h"

void options_defaults(Options *options) {
    options->sound = 1;
    options->faststart = 0;
    options->stickyshift = 1;
    options->keymap = kKeyProfiles[0].map;  // the "default" profile
}
