// The settings screen's rows, the gamepad's reports, the 4:3 picture in any window and the
// parts of it copied.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>

#include "core/Gamepad.h"
#include "core/Letterbox.h"
#include "core/SettingsMenu.h"

namespace {

TEST(Letterbox, KeepsFourToThreeCentredWithBarsOnTheSpareSides) {
    EXPECT_EQ(fitPicture(1280, 720), (PictureRect{160, 0, 960, 720})) << "16:9: bars left and right";
    EXPECT_EQ(fitPicture(1024, 768), (PictureRect{0, 0, 1024, 768})) << "exactly 4:3: no bar at all";
    EXPECT_EQ(fitPicture(600, 900), (PictureRect{0, 225, 600, 450})) << "tall: bars above and below";
    // Odd sizes: the picture never leaves the window and stays within a pixel of 4:3.
    for (int w = 1; w < 400; w += 37)
        for (int h = 1; h < 400; h += 41) {
            const PictureRect r = fitPicture(w, h);
            EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= w && r.y + r.height <= h) << w << "x" << h;
            EXPECT_NEAR(r.width * 3.0, r.height * 4.0, 4.0 + 1e-9) << w << "x" << h;
        }
    EXPECT_EQ(fitPicture(0, 600).width, 0) << "a minimised window has no picture";
}

TEST(Letterbox, PartsJoinOnlyWhereOneCopyCostsLessAndKeepEveryPixel) {
    const long perCopy = 400;
    // Two parts apart stay two; overlapping or close ones become the box around them.
    const struct { PictureRect a, b; size_t parts; } cases[] = {
        {{0, 0, 10, 10}, {100, 100, 10, 10}, 2},
        {{0, 0, 10, 10}, {5, 5, 10, 10}, 1},
        {{0, 0, 20, 20}, {25, 0, 20, 20}, 1},
        {{0, 0, 10, 10}, {0, 60, 10, 10}, 2},
    };
    for (const auto& c : cases) {
        std::vector<PictureRect> parts{c.a, c.b};
        joinParts(parts, perCopy);
        EXPECT_EQ(parts.size(), c.parts) << c.b.x << "," << c.b.y;
    }
    // Many parts: no pixel is lost, and no more copies than before.
    std::mt19937 rng(3);
    for (int round = 0; round < 20; ++round) {
        std::vector<PictureRect> before;
        for (int i = 0; i < 12; ++i)
            before.push_back(PictureRect{static_cast<int>(rng() % 180), static_cast<int>(rng() % 130),
                                         1 + static_cast<int>(rng() % 20), 1 + static_cast<int>(rng() % 20)});
        std::vector<PictureRect> after = before;
        joinParts(after, perCopy);
        EXPECT_LE(after.size(), before.size());
        for (const PictureRect& r : before)
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x)
                    ASSERT_TRUE(std::any_of(after.begin(), after.end(), [x, y](const PictureRect& p) {
                        return x >= p.x && x < p.x + p.width && y >= p.y && y < p.y + p.height;
                    })) << "round " << round << " lost " << x << "," << y;
    }
}

TEST(GamepadReports, SteerWithHysteresisAndActOncePerPress) {
    // Reports in order (buttons, x, y) and what each changes (steer, steer changed, buttons
    // pressed, sink pressed). Between the two thresholds the stick keeps steering, so it does
    // not flicker near the edge; a held button acts once, and again after a release; down on
    // the stick sinks once per push.
    const struct { unsigned buttons; int x, y, steer; bool changed; unsigned pressed; bool sink; } reports[] = {
        {0, 0, 0, 0, false, 0, false},     {0, -600, 0, -1, true, 0, false}, {0, -300, 0, -1, false, 0, false},
        {0, -100, 0, 0, true, 0, false},   {0, 1000, 0, 1, true, 0, false},  {0x1, 300, 0, 1, false, 0x1, false},
        {0x1, 0, 0, 0, true, 0, false},    {0x3, 0, 0, 0, false, 0x2, false}, {0, 0, 0, 0, false, 0, false},
        {0x1, 0, 0, 0, false, 0x1, false}, {0, 0, 800, 0, false, 0, true},   {0, 0, 300, 0, false, 0, false},
        {0, 0, 0, 0, false, 0, false},     {0, 0, 800, 0, false, 0, true}};
    Gamepad pad;
    for (size_t i = 0; i < std::size(reports); ++i) {
        const auto& r = reports[i];
        const Gamepad::Change c = pad.update(r.buttons, r.x, r.y);
        EXPECT_TRUE(c.steer == r.steer && c.steerChanged == r.changed && c.pressed == r.pressed && c.sinkPressed == r.sink)
            << "report " << i;
    }
    EXPECT_TRUE(Gamepad::has(1u << 31, 32));
    EXPECT_FALSE(Gamepad::has(~0u, 0) || Gamepad::has(~0u, 33) || Gamepad::has(2u, 1));
}

TEST(SettingsScreenRows, ArrowsChangeValuesWithinTheirRangeAndABindingRowWaitsForItsKey) {
    SettingsMenu menu;
    Settings s;
    menu.open();
    EXPECT_EQ(menu.selected(), SettingsMenu::kMusicRow);
    for (int i = 0; i < 20; ++i) menu.adjust(s, 1);
    EXPECT_EQ(s.musicVolume, kMaxVolume) << "stops at the top";
    EXPECT_EQ(menu.adjust(s, 1), SettingsMenu::Result::Unchanged);
    for (int i = 0; i < 20; ++i) menu.adjust(s, -1);
    EXPECT_EQ(s.musicVolume, 0);
    EXPECT_EQ(s.effectsVolume, kMaxVolume) << "only the chosen row changes";

    menu.move(SettingsMenu::kFullscreenRow);
    EXPECT_EQ(menu.activate(s), SettingsMenu::Result::Changed);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_EQ(menu.adjust(s, -1), SettingsMenu::Result::Changed);
    EXPECT_FALSE(s.fullscreen);

    // Round the list both ways; the last row leaves.
    menu.open();
    menu.move(-1);
    EXPECT_EQ(menu.selected(), SettingsMenu::kBackRow);
    EXPECT_EQ(menu.activate(s), SettingsMenu::Result::Leave);
    menu.move(1);
    EXPECT_EQ(menu.selected(), SettingsMenu::kMusicRow);

    const std::vector<SettingsMenu::Line> lines = menu.lines(s);
    ASSERT_EQ(static_cast<int>(lines.size()), SettingsMenu::kRowCount);
    EXPECT_EQ(lines[SettingsMenu::kMusicRow].value, "0 / 10");
    EXPECT_EQ(lines[SettingsMenu::kFirstKeyRow + static_cast<int>(Action::Fire)].value, "Space");

    // A binding row waits for its key and refuses reserved ones.
    menu.open();
    menu.move(SettingsMenu::kFirstKeyRow + static_cast<int>(Action::Fire));
    EXPECT_EQ(menu.activate(s), SettingsMenu::Result::Unchanged);
    ASSERT_TRUE(menu.waitingForKey());
    EXPECT_EQ(menu.lines(s)[menu.selected()].value, "...");
    // While waiting the arrows are keys like any other, not navigation.
    menu.move(1);
    EXPECT_EQ(menu.selected(), SettingsMenu::kFirstKeyRow + static_cast<int>(Action::Fire));

    EXPECT_EQ(menu.offerKey(s, 27), SettingsMenu::Result::Unchanged);
    EXPECT_TRUE(menu.waitingForKey()) << "Escape cannot be bound";
    EXPECT_NE(menu.note().find("Escape"), std::string::npos) << menu.note();
    EXPECT_EQ(s.key(Action::Fire), ' ');

    EXPECT_EQ(menu.offerKey(s, 'f'), SettingsMenu::Result::Changed);
    EXPECT_FALSE(menu.waitingForKey());
    EXPECT_EQ(s.key(Action::Fire), 'f');

    // Backspace gives up and keeps the key.
    menu.activate(s);
    EXPECT_EQ(menu.offerKey(s, 8), SettingsMenu::Result::Unchanged);
    EXPECT_FALSE(menu.waitingForKey());
    EXPECT_EQ(s.key(Action::Fire), 'f');
}

}  // namespace
