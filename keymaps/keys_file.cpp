#include "keymaps/keys_file.h"

#include <cstring>

#include "input/key_matrix.h"

namespace {

// Hardware keys by index, the device's order (F8 before F7).
constexpr const char *kHardwareNames[kHardwareKeys] = {
    "esc", "f4", "f5", "f6", "f8", "f7", "right", "left", "down", "up", "select",
};
// The order of the lines a keys file is written in: as a person counts the keys.
constexpr int kWrittenOrder[kHardwareKeys] = {0, 1, 2, 3, 5, 4, 6, 7, 8, 9, 10};

struct KeyWord {
    const char *word;
    uint8_t code;
};

// The keys that type no character of their own: every such key of the drawn keyboard, the
// joystick lines, and nothing.
constexpr KeyWord kKeyWords[] = {
    {"none", 0},
    {"space", ' '},
    {"enter", kKeyEnter},
    {"caps-shift", kKeyCapsShift},
    {"symbol-shift", kKeySymbolShift},
    {"joy-up", kKeyJoyUp},
    {"joy-down", kKeyJoyDown},
    {"joy-left", kKeyJoyLeft},
    {"joy-right", kKeyJoyRight},
    {"joy-fire", kKeyJoyFire},
    {"true-video", 16},
    {"inv-video", 17},
    {"delete", 18},
    {"graph", 19},
    {"extend-mode", 9},
    {"edit", 21},
    {"caps-lock", 23},
    {"break", 25},
    {"cursor-left", kKeyCursorLeft},
    {"cursor-right", kKeyCursorRight},
    {"cursor-up", kKeyCursorUp},
    {"cursor-down", kKeyCursorDown},
};

// A word as a person may write it: letters in either case.
bool same_word(const char *a, size_t length, const char *word) {
    if (std::strlen(word) != length) return false;
    for (size_t i = 0; i < length; i++) {
        char c = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        if (c != word[i]) return false;
    }
    return true;
}

int hardware_index(const char *name, size_t length) {
    for (int i = 0; i < kHardwareKeys; i++)
        if (same_word(name, length, kHardwareNames[i])) return i;
    return -1;
}

// The key code a KEY names, or -1.
int key_code(const char *key, size_t length) {
    for (const KeyWord &k : kKeyWords)
        if (same_word(key, length, k.word)) return k.code;
    if (length != 1) return -1;
    int c = (unsigned char)key[0];
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';  // the key itself, not the capital
    // A printable character that some key combination types.
    if (c <= ' ' || c >= kKeyCodes || SpecKeyTable[c].first < 0) return -1;
    return c;
}

// The text between begin and end without the spaces and tabs around it.
void trim(const char **begin, const char **end) {
    while (*begin < *end && (**begin == ' ' || **begin == '\t')) ++*begin;
    while (*end > *begin && ((*end)[-1] == ' ' || (*end)[-1] == '\t')) --*end;
}

// A word of the file, quoted in a problem: at most a few dozen bytes, nothing unprintable.
void quote(const char *begin, const char *end, char *out, size_t size) {
    size_t n = 0;
    for (const char *p = begin; p < end && n + 4 < size; p++) {
        unsigned char c = (unsigned char)*p;
        out[n++] = c >= ' ' && c < 0x7F ? char(c) : '?';
    }
    out[n] = '\0';
    if (size_t(end - begin) > n) std::strcat(out, "...");
}

// One line (without its end) applied to map; a problem described into what, else "".
void parse_line(const char *begin, const char *end, KeyMap *map, char *what, size_t size) {
    what[0] = '\0';
    if (size_t(end - begin) > kKeysLineLimit) {
        std::snprintf(what, size, "longer than %zu bytes", kKeysLineLimit);
        return;
    }
    // Control bytes make no text; bytes above 127 are allowed, in comments for one.
    for (const char *p = begin; p < end; p++) {
        unsigned char c = (unsigned char)*p;
        if ((c < ' ' && c != '\t') || c == 0x7F) {
            std::snprintf(what, size, "not text");
            return;
        }
    }
    if (const void *hash = std::memchr(begin, '#', size_t(end - begin)))
        end = static_cast<const char *>(hash);
    trim(&begin, &end);
    if (begin == end) return;
    const char *equals = static_cast<const char *>(std::memchr(begin, '=', size_t(end - begin)));
    if (!equals) {
        std::snprintf(what, size, "no '=' (NAME = KEY)");
        return;
    }
    const char *name_end = equals, *key_begin = equals + 1;
    trim(&begin, &name_end);
    trim(&key_begin, &end);
    char shown[40];
    int index = hardware_index(begin, size_t(name_end - begin));
    if (index < 0) {
        quote(begin, name_end, shown, sizeof shown);
        std::snprintf(what, size, "unknown name '%s'", shown);
        return;
    }
    int code = key_code(key_begin, size_t(end - key_begin));
    if (code < 0) {
        quote(key_begin, end, shown, sizeof shown);
        std::snprintf(what, size, "unknown key '%s'", shown);
        return;
    }
    map->keys[index] = uint8_t(code);
}

}  // namespace

void keys_problem(KeysProblems *problems, FILE *log, const char *file, int line, const char *what) {
    char text[kKeysProblemSize];
    if (line > 0)
        std::snprintf(text, sizeof text, "%s line %d: %s", file, line, what);
    else
        std::snprintf(text, sizeof text, "%s: %s", file, what);
    if (problems->count++ == 0) std::snprintf(problems->first, sizeof problems->first, "%s", text);
    if (log) std::fprintf(log, "%s\n", text);
}

void keys_parse(const char *text, size_t size, const char *file, KeyMap *map,
                KeysProblems *problems, FILE *log) {
    const char *end = text + size;
    // A mark some editors put first: no part of the first line.
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (size >= 3 && std::memcmp(text, kByteOrderMark, 3) == 0) text += 3;
    int line = 0;
    for (const char *begin = text; begin < end;) {
        line++;
        const char *stop = static_cast<const char *>(std::memchr(begin, '\n', size_t(end - begin)));
        if (!stop) stop = end;
        const char *content_end = stop > begin && stop[-1] == '\r' ? stop - 1 : stop;
        char what[96];
        parse_line(begin, content_end, map, what, sizeof what);
        if (what[0]) keys_problem(problems, log, file, line, what);
        begin = stop + 1;
    }
}

size_t keys_format(const KeyMap *map, char *out, size_t size) {
    size_t n = 0;
    auto add = [&](const char *text) {
        int wrote = std::snprintf(out + n, size - n, "%s", text);
        if (wrote > 0) n = n + size_t(wrote) < size ? n + size_t(wrote) : size - 1;
    };
    add("# Tavisk keys: NAME = KEY, one line per hardware key\n");
    for (int index : kWrittenOrder) {
        char word[16], line[48];
        key_word(map->keys[index], word);
        std::snprintf(line, sizeof line, "%s = %s\n", kHardwareNames[index], word);
        add(line);
    }
    return n;
}

const char *hardware_key_name(int index) { return kHardwareNames[index]; }

void key_word(int code, char *word) {
    if (code == 13) code = kKeyEnter;  // the character ENTER types
    for (const KeyWord &k : kKeyWords) {
        if (k.code == code) {
            std::strcpy(word, k.word);
            return;
        }
    }
    // Any other code is a character's; the maps hold no others.
    word[0] = char(code);
    word[1] = '\0';
}
