#include "effects/EffectGroup.h"

#include <algorithm>

#include "effects/Effect.h"

EffectGroup* EffectGroup::lastCreated = nullptr;

EffectGroup::EffectGroup() : name(""), title(nullptr), next(nullptr), previous(nullptr) {
    if (lastCreated) {
        lastCreated->next = this;
        previous = lastCreated;
    }
    lastCreated = this;
}

void EffectGroup::activate() {
    for (Effect* effect : effects) effect->activate();
}

// Same order as activate, not reversed.
void EffectGroup::deactivate() {
    for (Effect* effect : effects) effect->deactivate();
}

EffectGroup::~EffectGroup() {
    for (Effect* effect : effects) {
        if (std::find(sharedEffects.begin(), sharedEffects.end(), effect) == sharedEffects.end()) delete effect;
    }
    effects.clear();
    // The game never destroys its groups, but a destroyed group must not leave dangling links.
    if (previous) previous->next = next;
    if (next) next->previous = previous;
    if (lastCreated == this) lastCreated = previous;
}

void EffectGroup::addEffect(Effect* effect) { effects.push_back(effect); }

bool EffectGroup::hasGroundVariant() const {
    return std::any_of(effects.begin(), effects.end(), [](const Effect* e) { return e->hasGroundVariant(); });
}

void EffectGroup::addSharedEffect(Effect* effect) {
    effects.push_back(effect);
    sharedEffects.push_back(effect);
}
