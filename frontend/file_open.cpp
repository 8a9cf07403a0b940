#include "frontend/file_open.h"

#include <cstdio>
#include <cstring>

#include "decode/file_kind.h"
#include "frontend/front_end.h"
#include "frontend/snapshot_actions.h"
#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "snapshot/snapshot_files.h"

namespace {

constexpr size_t kTextSize = kDecodeNameSize + kDecodeReasonSize + 32;

long long micros_since(const timeval *from, const timeval *to) {
    return (long long)(to->tv_sec - from->tv_sec) * 1000000 + (to->tv_usec - from->tv_usec);
}

void say(FrontEnd *fe, const char *format, const char *name, const char *more = "") {
    char text[kTextSize];
    std::snprintf(text, sizeof text, format, name, more);
    status_say(fe->m, text);
}

// The decoder's result put to use; every refusal leaves the machine, tape and key map alone.
void take(FrontEnd *fe, const DecodedFile *file) {
    const DecodeHeader &h = file->header;
    const char *name = fe->open.name;
    switch (h.outcome) {
        case kDecodedTape: tape_open_decoded(fe, h.name, file->data(), file->size()); break;
        case kDecodedSnapshotFile: {
            bool z80 = file_kind(h.name) == kFileZ80;
            int result = load_snapshot_bytes(fe->m, z80, size_t(h.file_size), file->data());
            say_decoded_load(fe, result, name, h.name);
            break;
        }
        case kDecodedSnapshotState: {
            static SnapshotState state;
            std::memcpy(&state, file->data(), sizeof state);
            say_decoded_load(fe, load_snapshot_state(fe->m, &state), name, h.name);
            break;
        }
        case kRefusedNotTape: say(fe, "Not a tape: %s", name); break;
        case kRefusedNotSnapshot: say(fe, "Not a snapshot: %s", name); break;
        case kRefusedNot48K: say(fe, "Not a 48K snapshot: %s", name); break;
        case kRefusedNothingInside: say(fe, "Nothing to load in %s", name); break;
        default:
            say(fe, "Can't read %s: %s", name, h.error ? std::strerror(h.error) : h.reason);
    }
}

}  // namespace

void file_open_start(FrontEnd *fe) {
    if (!decoder_path(fe->open.decoder, sizeof fe->open.decoder)) fe->open.decoder[0] = '\0';
}

void file_open(FrontEnd *fe, const char *path) {
    file_open_abandon(fe, false);
    if (!decoded_kind(file_kind(path))) {
        load_and_say(fe, path);
        return;
    }
    FileOpen *o = &fe->open;
    std::snprintf(o->name, sizeof o->name, "%s", base_name(path));
    o->reading_shown = false;
    if (!o->decoder[0]) {
        say(fe, "Can't read %s: %s", o->name, "tavisk-decode is missing");
        return;
    }
    const char *command[] = {o->decoder, nullptr};
    timeval now;
    gettimeofday(&now, nullptr);
    int error = decode_start(&o->job, command, path, &now);
    if (error != 0) say(fe, "Can't read %s: %s", o->name, std::strerror(error));
}

void file_open_poll(FrontEnd *fe, const timeval *now) {
    FileOpen *o = &fe->open;
    if (!decode_running(&o->job)) return;
    DecodedFile file;
    DecodeState state = decode_poll(&o->job, now, &file);
    if (state == kDecodeRunning) {
        if (!o->reading_shown && micros_since(&o->job.started, now) >= kReadingMicros) {
            o->reading_shown = true;
            say(fe, "READING %s", o->name);
        }
        return;
    }
    if (state == kDecodeDone)
        take(fe, &file);
    else
        say(fe, "Can't read %s: %s", o->name, "too large or malformed");
}

void file_open_abandon(FrontEnd *fe, bool say_so) {
    FileOpen *o = &fe->open;
    if (!decode_running(&o->job)) return;
    decode_abandon(&o->job);
    if (say_so && o->reading_shown) say(fe, "Stopped reading %s", o->name);
}

bool file_open_pending(const FrontEnd *fe) { return decode_running(&fe->open.job); }
