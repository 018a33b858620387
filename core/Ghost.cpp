#include "core/Ghost.h"

#include <algorithm>

#include "core/Step.h"

void Ghost::start(replay::Replay recorded) {
    const replay::Header header = recorded.header;
    player = std::make_unique<replay::Player>(std::move(recorded));
    replay::Player* source = player.get();
    ground = [source](const std::vector<float>& points, std::vector<float>& heights) { source->ground(points, heights); };
    state.start(header.seed, header.rules, FlightMode::Player);
    goneFor = -1;
    // As the game puts a new flight on the ground before its first step.
    state.world.updateHeights(ground);
}

void Ghost::stop() {
    player.reset();
    goneFor = -1;
}

void Ghost::step() {
    if (!player) return;
    if (goneFor >= 0) {
        goneFor = std::min(goneFor + 1, kFadeSteps);
        return;
    }
    if (state.over || player->astray() || player->finished()) {
        goneFor = 0;
        return;
    }
    ::step(state, player->next(), ground);
}

float Ghost::opacity() const {
    if (!player) return 0.0f;
    if (goneFor < 0) return kOpacity;
    return kOpacity * static_cast<float>(kFadeSteps - goneFor) / kFadeSteps;
}
