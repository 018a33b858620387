#pragma once
// The share of the picture's width and height the 3D scene is drawn at, the overlays always at
// full size: a fixed one the player chose, or Auto, which follows the frame times to hold 60
// frames a second, lower when frames run long, higher when there is room. No GL: fed with the
// time of every frame, so its rules are tested without a display.
#include <string>
#include <vector>

class RenderScale {
public:
    // The settings' choices, as Settings::renderScale keeps them: Auto, or a percentage.
    static constexpr int kAuto = 0;
    static constexpr int kChoices[] = {kAuto, 100, 75, 50};
    // The steps Auto takes, in percent; each costs about the square of its share.
    static constexpr int kSteps[] = {100, 90, 80, 70, 60, 50};
    static constexpr double kBudgetMs = 1000.0 / 60.0;

    // "Auto", "100 %", "75 %", "50 %".
    static std::string name(int choice);
    // "auto", "100", "75", "50" (a '%' after the number too); false for anything else.
    static bool parse(const std::string& text, int* choice);
    // The next choice in kChoices after choice (direction 1) or before it (-1), round the list.
    static int next(int choice, int direction);

    RenderScale() { choose(100); }
    // A fixed percentage, or Auto, starting at 100 %.
    void choose(int choice);
    int choice() const { return chosen; }
    // One frame took frameMs of work, the wait for the display left out.
    void frameEnded(double frameMs);
    // Forgets the frames measured (a new flight, a pause): the next decision waits for new ones.
    void restart();

    int percent() const { return current; }
    float factor() const { return current / 100.0f; }

private:
    int stepIndex() const;

    static constexpr int kStepCount = sizeof kSteps / sizeof kSteps[0];

    int chosen = 100;
    int current = 100;
    std::vector<double> recent;  // the frame times since the last change, the newest last
    int raiseWait = kRaiseFrames;  // frames a raise needs; longer after a raise went wrong
    int sinceRaise = -1;           // frames since the last raise, -1 when none is pending
    // Not every frame's cost is its pixels' (the display, the widening, the ground's
    // triangles): where the pixels alone say a step up cannot fit but the frames have room, the
    // step is tried again some time after it was left, and after longer each time it fails.
    long frames = 0;
    long leftAt[kStepCount];
    long probeWait[kStepCount];
    static constexpr int kLowerFrames = 10;
    static constexpr int kRaiseFrames = 30;
    static constexpr long kProbeFrames = 600;
};
