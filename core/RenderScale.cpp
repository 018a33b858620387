#include "core/RenderScale.h"

#include <algorithm>
#include <cmath>

#include "core/FrameStats.h"

namespace {

// A frame this long is a stall (a swap from another window, a suspended process), not the
// scene's cost: it says nothing about the resolution.
constexpr double kStallMs = 250.0;
// Above this, frames run long; a raise is made only when it is expected to stay this far
// below the budget.
constexpr double kLongFactor = 1.05;
constexpr double kRoomFactor = 0.85;

}  // namespace

std::string RenderScale::name(int choice) { return choice == kAuto ? "Auto" : std::to_string(choice) + " %"; }

bool RenderScale::parse(const std::string& text, int* choice) {
    std::string t;
    for (char c : text)
        if (c != ' ' && c != '%') t += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (int c : kChoices)
        if (t == (c == kAuto ? std::string("auto") : std::to_string(c))) {
            *choice = c;
            return true;
        }
    return false;
}

int RenderScale::next(int choice, int direction) {
    const int n = static_cast<int>(sizeof kChoices / sizeof kChoices[0]);
    int at = 0;
    while (at < n && kChoices[at] != choice) ++at;
    if (at == n) return kChoices[0];
    return kChoices[((at + (direction < 0 ? -1 : 1)) % n + n) % n];
}

void RenderScale::choose(int choice) {
    chosen = choice;
    current = choice == kAuto ? 100 : choice;
    raiseWait = kRaiseFrames;
    frames = 0;
    for (int i = 0; i < kStepCount; ++i) leftAt[i] = -1, probeWait[i] = kProbeFrames;
    restart();
}

void RenderScale::restart() {
    recent.clear();
    sinceRaise = -1;
}

int RenderScale::stepIndex() const {
    const int n = static_cast<int>(sizeof kSteps / sizeof kSteps[0]);
    for (int i = 0; i < n; ++i)
        if (kSteps[i] <= current) return i;
    return n - 1;
}

void RenderScale::frameEnded(double frameMs) {
    if (chosen != kAuto || !(frameMs > 0.0) || frameMs > kStallMs) return;
    recent.push_back(frameMs);
    // Room and length are measured over the last raiseWait frames only.
    if (static_cast<int>(recent.size()) > raiseWait) recent.erase(recent.begin());
    if (sinceRaise >= 0) ++sinceRaise;
    ++frames;
    const int steps = kStepCount;
    const int at = stepIndex();
    const double typical = framestats::median(recent);

    if (static_cast<int>(recent.size()) >= kLowerFrames && typical > kBudgetMs * kLongFactor && at + 1 < steps) {
        // Down as far as the pixels' share of the cost says, one step at least.
        const double fits = current * std::sqrt(kBudgetMs * kRoomFactor / typical);
        int to = at + 1;
        while (to + 1 < steps && kSteps[to] > fits) ++to;
        // A raise that ran long is tried again only after twice the wait.
        if (sinceRaise >= 0 && sinceRaise <= 2 * kRaiseFrames) {
            raiseWait = std::min(raiseWait * 2, 16 * kRaiseFrames);
            probeWait[at] = std::min(probeWait[at] * 2, 8 * kProbeFrames);
        }
        for (int left = at; left < to; ++left) leftAt[left] = frames;  // the steps passed over too
        current = kSteps[to];
        recent.clear();
        sinceRaise = -1;
        return;
    }
    if (static_cast<int>(recent.size()) >= raiseWait && at > 0) {
        const double share = static_cast<double>(kSteps[at - 1]) / current;
        const bool probe = typical <= kBudgetMs * kLongFactor && leftAt[at - 1] >= 0 &&
                           frames - leftAt[at - 1] >= probeWait[at - 1];
        if (typical * share * share < kBudgetMs * kRoomFactor || probe) {
            current = kSteps[at - 1];
            recent.clear();
            sinceRaise = 0;
            return;
        }
    }
    // A raise that has held for long: the next one needs the ordinary wait again.
    if (sinceRaise > 8 * kRaiseFrames) {
        raiseWait = kRaiseFrames;
        probeWait[at] = kProbeFrames;
        sinceRaise = -1;
    }
}
