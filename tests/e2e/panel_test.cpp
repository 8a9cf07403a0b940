// The running program's control panel against what the drawing code puts into a software
// surface of the same shape.
#include "display/control_panel.h"
#include "e2e_session.h"
#include "frontend/panel_status.h"

namespace {

bool in_spectrum_area(int x, int y) { return x < 512 && y >= kSpecY && y < kSpecY + 384; }

// The frame count the cell shows, found by drawing each candidate; -1 when none matches.
int shown_frame_count(const Image &img, Canvas *canvas) {
    for (int n = 0; n <= 1000; n++) {
        draw_frame_count(canvas->m, n);
        bool same = true;
        for (int y = 62; y < 72 && same; y++)
            for (int x = 640; x < 690 && same; x++) same = img.at(x, y) == canvas->at(x, y);
        if (same) return n;
    }
    return -1;
}

TEST_F(EndToEnd, PanelOnScreenIsThePanelTheDrawingCodeDraws) {
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    draw_panel(canvas.m, kPanelFull);
    draw_button_digit(canvas.m, kActionSound, 1);
    draw_button_digit(canvas.m, kActionFast, 0);

    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    Image img;
    // The first frame count appears two seconds after the start.
    bool counted = wait_until(120, [&] {
        if (!run.shot(&img)) return true;
        for (int y = 62; y < 72; y++)
            for (int x = 640; x < 690; x++)
                if (img.at(x, y) != 0) return true;
        return false;
    });
    ASSERT_TRUE(counted) << "no frame count shown";

    int wrong = 0, first_x = -1, first_y = -1;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 800; x++) {
            if (in_spectrum_area(x, y) || in_frame_count(x, y)) continue;
            if (img.at(x, y) != canvas.at(x, y) && wrong++ == 0) {
                first_x = x;
                first_y = y;
            }
        }
    if (wrong) run.keep_evidence();
    EXPECT_EQ(wrong, 0) << "first at (" << first_x << ", " << first_y << "): screen 0x" << std::hex
                        << img.at(first_x, first_y) << ", drawn 0x" << canvas.at(first_x, first_y);

    // About 100 frames in each two seconds at 50 frames a second.
    int count = shown_frame_count(img, &canvas);
    EXPECT_GE(count, 50) << "frame count cell unreadable or too low";
    EXPECT_LE(count, 150);
}

}  // namespace
