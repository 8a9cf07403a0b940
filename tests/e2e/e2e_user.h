// What the tests of a user at the device share: the screen's colours read back, the
// browser's listing of a folder, and where a finger goes for a key or a button.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "e2e_session.h"

constexpr uint16_t kWhite = 0xC618;
constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kBrightBlue = 0x001F;

inline int count_colour(const Image &img, int x, int y, int w, int h, uint16_t colour) {
    int n = 0;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++) n += img.at(i, j) == colour;
    return n;
}

// The ROM's editor is up: its white paper fills most of the picture.
inline bool rom_screen(const Image &img) {
    return count_colour(img, 0, kSpecY, 512, 384, kWhite) > 512 * 384 * 3 / 4;
}

// The names the browser lists for dir: every name but ".", with "..", in byte order.
inline std::vector<std::string> listing(const std::string &dir) {
    std::vector<std::string> names = {".."};
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

// The 10x10 digit cell of a button, as shown.
inline std::vector<uint16_t> digit_cell(const Image &img, int action) {
    const PanelButton &b = panel_buttons[action];
    std::vector<uint16_t> cell;
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) cell.push_back(img.at(b.x + 540 + x, b.y + 40 + y));
    return cell;
}

struct Point {
    int x, y;
};

// The middle of the first drawn key that presses code, found with the program's own hit test.
inline Point key_point(int code) {
    for (int row = 0; row < kKeyRows; row++) {
        int y = row * kKeyRowPitch + 10;
        int first = -1, last = -1;
        for (int x = 1; x < kKeyboardWidth; x++) {
            if (keyboard_hit(x, y) == code) {
                if (first < 0) first = x;
                last = x;
            } else if (first >= 0) {
                break;
            }
        }
        if (first >= 0) return {kKeyboardX + (first + last) / 2, kKeyboardY + y};
    }
    return {-1, -1};
}

inline Point button_point(int action) {
    const PanelButton &b = panel_buttons[action];
    return {kButtonOriginX + b.x + b.w / 2, kButtonOriginY + b.y + b.h / 2};
}

inline Point deck_point(int action) {
    const PanelButton &b = deck_buttons[action];
    return {kButtonOriginX + b.x + b.w / 2, kButtonOriginY + b.y + b.h / 2};
}
