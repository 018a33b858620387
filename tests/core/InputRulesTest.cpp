// The settings screen's rows, the gamepad's reports and the 4:3 picture in any window.
#include <gtest/gtest.h>

#include "core/Gamepad.h"
#include "core/Letterbox.h"
#include "core/SettingsMenu.h"

namespace {

TEST(Letterbox, KeepsFourToThreeCentredWithBarsOnTheSpareSides) {
    // 16:9: bars left and right.
    EXPECT_EQ(fitPicture(1280, 720), (PictureRect{160, 0, 960, 720}));
    EXPECT_EQ(fitPicture(1920, 1080), (PictureRect{240, 0, 1440, 1080}));
    // Exactly 4:3: no bar at all.
    EXPECT_EQ(fitPicture(1024, 768), (PictureRect{0, 0, 1024, 768}));
    EXPECT_EQ(fitPicture(800, 600), (PictureRect{0, 0, 800, 600}));
    // Tall: bars above and below.
    EXPECT_EQ(fitPicture(600, 900), (PictureRect{0, 225, 600, 450}));
    // Odd sizes: the picture never leaves the window and stays within a pixel of 4:3.
    for (int w = 1; w < 400; w += 37)
        for (int h = 1; h < 400; h += 41) {
            const PictureRect r = fitPicture(w, h);
            EXPECT_GE(r.x, 0);
            EXPECT_GE(r.y, 0);
            EXPECT_LE(r.x + r.width, w);
            EXPECT_LE(r.y + r.height, h);
            EXPECT_NEAR(r.width * 3.0, r.height * 4.0, 4.0 + 1e-9) << w << "x" << h;
        }
    EXPECT_EQ(fitPicture(0, 600).width, 0) << "a minimised window has no picture";
}

TEST(GamepadReports, SteerWithHysteresisAndActOncePerPress) {
    Gamepad pad;
    Gamepad::Change c = pad.update(0, 0, 0);
    EXPECT_EQ(c.steer, 0);
    EXPECT_FALSE(c.steerChanged);

    c = pad.update(0, -600, 0);
    EXPECT_EQ(c.steer, -1);
    EXPECT_TRUE(c.steerChanged);
    // Between the two thresholds the stick keeps steering: no flicker near the edge.
    c = pad.update(0, -300, 0);
    EXPECT_EQ(c.steer, -1);
    EXPECT_FALSE(c.steerChanged);
    c = pad.update(0, -100, 0);
    EXPECT_EQ(c.steer, 0);
    EXPECT_TRUE(c.steerChanged);
    c = pad.update(0, 1000, 0);
    EXPECT_EQ(c.steer, 1);

    // A held button acts once; pressed again after a release, once more.
    c = pad.update(0x1, 0, 0);
    EXPECT_TRUE(Gamepad::has(c.pressed, 1));
    c = pad.update(0x1, 0, 0);
    EXPECT_EQ(c.pressed, 0u);
    c = pad.update(0x3, 0, 0);
    EXPECT_FALSE(Gamepad::has(c.pressed, 1));
    EXPECT_TRUE(Gamepad::has(c.pressed, 2));
    pad.update(0, 0, 0);
    EXPECT_TRUE(Gamepad::has(pad.update(0x1, 0, 0).pressed, 1));

    // Down on the stick sinks once per push.
    EXPECT_TRUE(pad.update(0, 0, 800).sinkPressed);
    EXPECT_FALSE(pad.update(0, 0, 900).sinkPressed);
    EXPECT_FALSE(pad.update(0, 0, 0).sinkPressed);
    EXPECT_TRUE(pad.update(0, 0, 800).sinkPressed);

    EXPECT_TRUE(Gamepad::has(1u << 31, 32));
    EXPECT_FALSE(Gamepad::has(~0u, 0));
    EXPECT_FALSE(Gamepad::has(~0u, 33));
}

TEST(SettingsScreenRows, ArrowsChangeValuesWithinTheirRange) {
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
}

TEST(SettingsScreenRows, ABindingRowWaitsForItsKeyAndRefusesReservedOnes) {
    SettingsMenu menu;
    Settings s;
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
    EXPECT_EQ(actionForKey(s, 'f'), static_cast<int>(Action::Fire));
    EXPECT_EQ(actionForKey(s, ' '), -1);

    // Backspace gives up and keeps the key.
    menu.activate(s);
    EXPECT_EQ(menu.offerKey(s, 8), SettingsMenu::Result::Unchanged);
    EXPECT_FALSE(menu.waitingForKey());
    EXPECT_EQ(s.key(Action::Fire), 'f');
}

}  // namespace
