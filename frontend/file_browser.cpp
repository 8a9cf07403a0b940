#include "frontend/file_browser.h"

#include <SDL/SDL.h>
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen_render.h"
#include "display/text.h"
#include "frontend/status_line.h"
#include "snapshot/file_replace.h"

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

void draw_name(const FileBrowser *b, Machine *m, int index, int position, int colour) {
    char shown[kBrowserShownChars + 1];
    std::strncpy(shown, b->names[index], kBrowserShownChars);
    shown[kBrowserShownChars] = '\0';
    spec_text(m, kListColumns[position % 2], kListRow + position / 2, colour, shown);
}

void draw_list(const FileBrowser *b, Machine *m) {
    spec_fillrect(m, 8, 8, 240, 176, kBackColour);
    for (int p = 0; p < kBrowserPositions && b->top + p < b->count; p++)
        draw_name(b, m, b->top + p, p, kNameColour);
}

// Only the presented picture shows the selection in blue; the surface goes back to every
// name red, so a later move never has to repaint the previous highlight.
void show_highlight(const FileBrowser *b, Machine *m, int index) {
    draw_name(b, m, index, index - b->top, kHighlightColour);
    SDL_Flip(m->surface);
    draw_name(b, m, index, index - b->top, kNameColour);
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
int enter_selection(FileBrowser *b, Machine *m, char *path, size_t pathsize) {
    const char *name = b->names[b->selected];
    if (chdir(name) == 0) {
        browser_open(b, m);
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

// The highlight moves to name next: the selection's line becomes the first line when it is
// above the box, the last when below.
void select_name(FileBrowser *b, Machine *m, int next) {
    if (next == b->selected) return;
    int top = b->top;
    if (next < b->top)
        b->top = next & ~1;
    else if (next > b->top + kBrowserPositions - 1)
        b->top = (next & ~1) - (kBrowserPositions - 2);
    if (b->top != top) draw_list(b, m);
    show_highlight(b, m, next);
    b->selected = next;
}

}  // namespace

void browser_add(FileBrowser *b, const char *name) {
    if (std::strcmp(name, ".") == 0 || is_replace_temporary(name)) return;
    int slot = b->count;
    if (slot >= kBrowserSlots) {
        // A full table drops the later names, but not the way back up.
        if (std::strcmp(name, "..") != 0) return;
        slot = kBrowserSlots - 1;
    } else {
        b->count++;
    }
    std::snprintf(b->names[slot], kBrowserNameSize, "%s", name);
}

void browser_open(FileBrowser *b, Machine *m) {
    b->count = 0;
    bool up = false;
    if (DIR *dir = opendir(".")) {
        while (const dirent *entry = readdir(dir)) {
            browser_add(b, entry->d_name);
            up = up || std::strcmp(entry->d_name, "..") == 0;
        }
        closedir(dir);
    }
    // A folder that could not be read (no permission, removed meanwhile) gave no "..": the
    // way up is offered all the same.
    if (!up) browser_add(b, "..");
    std::qsort(b->names, size_t(b->count), kBrowserNameSize, compare_names);
    spec_fillrect(m, 6, 6, 244, 180, kFrameColour);
    b->top = 0;
    b->selected = 0;
    draw_list(b, m);
    show_highlight(b, m, 0);
}

int browser_tap_position(int x, int y) {
    // Inside the edges of the names' cells, the first and last screen pixels excluded; the
    // right-hand names take everything right of the picture's middle.
    constexpr int kLeft = kSpecAreaX + kCellPixels * kListColumns[0];
    constexpr int kRight = kSpecAreaX + kCellPixels * (kListColumns[1] + kBrowserShownChars);
    constexpr int kMiddle = kSpecAreaX + kSpecAreaWidth / 2;
    constexpr int kTop = kSpecAreaY + kCellPixels * kListRow;
    constexpr int kBottom = kTop + kCellPixels * kListLines;
    if (x <= kLeft || x >= kRight || y <= kTop || y >= kBottom) return -1;
    int line = (y - kTop) / kCellPixels;
    return 2 * line + (x > kMiddle ? 1 : 0);
}

int browser_key(FileBrowser *b, Machine *m, BrowserCommand command, char *path, size_t pathsize) {
    int next = b->selected;
    switch (command) {
        case kBrowserNone: return 0;
        case kBrowserEnter: return enter_selection(b, m, path, pathsize);
        case kBrowserLeave:
            if (path && pathsize) path[0] = '\0';
            return 1;
        case kBrowserLeft:
            if (next > 0) next--;
            break;
        case kBrowserRight:
            if (next < b->count - 1) next++;
            break;
        case kBrowserUp:
            if (next > 1) next -= 2;
            break;
        case kBrowserDown:
            if (next < b->count - 2) next += 2;
            break;
    }
    select_name(b, m, next);
    return 0;
}

int browser_tap(FileBrowser *b, Machine *m, int position, char *path, size_t pathsize) {
    if (position < 0 || position >= kBrowserPositions || b->top + position >= b->count) return 0;
    // Touch alone must be enough: a second tap opens what the first highlighted.
    if (b->top + position == b->selected) return enter_selection(b, m, path, pathsize);
    select_name(b, m, b->top + position);
    return 0;
}
