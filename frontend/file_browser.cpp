#include "frontend/file_browser.h"

#include <SDL/SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen_render.h"
#include "display/text.h"
#include "frontend/status_line.h"
#include "snapshot/file_replace.h"

char dirnames[kBrowserSlots][kBrowserNameSize];
int32_t dircount;
int32_t browsetop;
int32_t browsesel;

namespace {

// Palette entries.
constexpr int kFrameColour = 9;
constexpr int kBackColour = 8;
constexpr int kNameColour = 2;
constexpr int kHighlightColour = 1;

int compare_names(const void *a, const void *b) {
    return std::strcmp(static_cast<const char *>(a), static_cast<const char *>(b));
}

// The list's layout in Spectrum character cells: list position p is on row kListRow + p / 2,
// at kListColumns[p % 2], left to right, then down.
constexpr int kListRow = 3;
constexpr int kListColumns[2] = {2, 17};
constexpr int kListLines = kBrowserPositions / 2;
// A character cell on the screen: 8 Spectrum pixels, doubled.
constexpr int kCellPixels = 16;

void draw_name(Machine *m, int index, int position, int colour) {
    char shown[kBrowserShownChars + 1];
    std::strncpy(shown, dirnames[index], kBrowserShownChars);
    shown[kBrowserShownChars] = '\0';
    spec_text(m, kListColumns[position % 2], kListRow + position / 2, colour, shown);
}

void draw_list(Machine *m) {
    spec_fillrect(m, 8, 8, 240, 176, kBackColour);
    for (int p = 0; p < kBrowserPositions && browsetop + p < dircount; p++)
        draw_name(m, browsetop + p, p, kNameColour);
}

// Only the presented picture shows the selection in blue; the surface goes back to every
// name red, so a later move never has to repaint the previous highlight.
void show_highlight(Machine *m, int index) {
    draw_name(m, index, index - browsetop, kHighlightColour);
    SDL_Flip(m->surface);
    draw_name(m, index, index - browsetop, kNameColour);
}

// Says why the selected file cannot be handed back.
void refuse(Machine *m, const char *name, int error) {
    char message[kBrowserNameSize + 64];
    std::snprintf(message, sizeof message, "Can't read %s: %s", name, std::strerror(error));
    status_say(m, message);
}

// RETURN: a directory becomes the working directory and is listed; a file's full path is
// handed back (1). Directories are entered by their name, relative to the working one, so
// that neither a long path nor a working folder removed meanwhile keeps the user in. A
// file whose path cannot be built whole is refused (0): a cut path would name another file.
int enter_selection(Machine *m, char *path, size_t pathsize) {
    const char *name = dirnames[browsesel];
    if (chdir(name) == 0) {
        browser_open(m);
        return 0;
    }
    if (errno != ENOTDIR || !path) return 0;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) {
        refuse(m, name, errno);
        return 0;
    }
    size_t length = std::strlen(cwd) + 1 + std::strlen(name);
    if (length >= pathsize) {
        refuse(m, name, ENAMETOOLONG);
        return 0;
    }
    std::snprintf(path, pathsize, "%s/%s", cwd, name);
    return 1;
}

}  // namespace

int browser_filter(const struct dirent *entry) {
    const char *name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || is_replace_temporary(name)) return 0;
    int slot = dircount;
    if (slot >= kBrowserSlots) {
        // A full table drops the later names, but not the way back up.
        if (std::strcmp(name, "..") != 0) return 0;
        slot = kBrowserSlots - 1;
    } else {
        dircount++;
    }
    std::snprintf(dirnames[slot], kBrowserNameSize, "%s", name);
    return 0;
}

void browser_open(Machine *m) {
    dircount = 0;
    // The filter collects into dirnames and keeps nothing in the scan's own list.
    struct dirent **kept = nullptr;
    int n = scandir(".", &kept, browser_filter, nullptr);
    for (int i = 0; i < n; i++) std::free(kept[i]);
    if (n >= 0) std::free(kept);
    // A folder that could not be read (no permission, removed meanwhile) gave no "..": the
    // way up is offered all the same.
    bool up = false;
    for (int i = 0; i < dircount && !up; i++) up = std::strcmp(dirnames[i], "..") == 0;
    if (!up) {
        struct dirent parent = {};
        std::strcpy(parent.d_name, "..");
        browser_filter(&parent);
    }
    std::qsort(dirnames, size_t(dircount), kBrowserNameSize, compare_names);
    spec_fillrect(m, 6, 6, 244, 180, kFrameColour);
    browsetop = 0;
    browsesel = 0;
    draw_list(m);
    show_highlight(m, 0);
}

int browser_tap_command(int x, int y) {
    // Inside the edges of the names' cells, the first and last screen pixels excluded; the
    // right-hand names take everything right of the picture's middle.
    constexpr int kLeft = kSpecAreaX + kCellPixels * kListColumns[0];
    constexpr int kRight = kSpecAreaX + kCellPixels * (kListColumns[1] + kBrowserShownChars);
    constexpr int kMiddle = kSpecAreaX + kSpecAreaWidth / 2;
    constexpr int kTop = kSpecAreaY + kCellPixels * kListRow;
    constexpr int kBottom = kTop + kCellPixels * kListLines;
    if (x <= kLeft || x >= kRight || y <= kTop || y >= kBottom) return 0;
    int line = (y - kTop) / kCellPixels;
    return kBrowserTap + 2 * line + (x > kMiddle ? 1 : 0);
}

int browser_key(Machine *m, int command, char *path, size_t pathsize) {
    int next = browsesel;
    switch (command) {
        case kBrowserEnter: return enter_selection(m, path, pathsize);
        case kBrowserLeave:
            if (path && pathsize) path[0] = '\0';
            return 1;
        case kBrowserLeft:
            if (next > 0) next--;
            break;
        case kBrowserDown:
            if (next < dircount - 2) next += 2;
            break;
        case kBrowserUp:
            if (next > 1) next -= 2;
            break;
        case kBrowserRight:
            if (next < dircount - 1) next++;
            break;
        default: {
            int p = command - kBrowserTap;
            if (p >= 0 && p < kBrowserPositions && browsetop + p < dircount) next = browsetop + p;
        }
    }
    if (next == browsesel) return 0;

    // The selection's line becomes the first line when it is above the box, the last when
    // below.
    int top = browsetop;
    if (next < browsetop)
        browsetop = next & ~1;
    else if (next > browsetop + kBrowserPositions - 1)
        browsetop = (next & ~1) - (kBrowserPositions - 2);
    if (browsetop != top) draw_list(m);
    show_highlight(m, next);
    browsesel = next;
    return 0;
}
