#pragma once
#include <vector>

#include "effects/StyleLook.h"

class Effect;

// A named render style: effects switched on and off together. Groups chain themselves in
// creation order.
class EffectGroup {
public:
    EffectGroup();
    virtual void activate();
    virtual void deactivate();
    virtual ~EffectGroup();
    EffectGroup(const EffectGroup&) = delete;
    EffectGroup& operator=(const EffectGroup&) = delete;

    void addEffect(Effect* effect);
    const char* getName() const { return name; }
    const char* getTitle() const { return title; }
    // How the display draws the frame in this style.
    const StyleLook& getLook() const { return look; }
    EffectGroup* getNext() const { return next; }
    EffectGroup* getPrevious() const { return previous; }
    const std::vector<Effect*>& getEffects() const { return effects; }
    // Whether an effect draws the ground with a variant of its own (see Effect::addProgram).
    bool hasGroundVariant() const;

    static EffectGroup* lastCreated;

protected:
    // Marks an effect as shared (owned by whoever made it), so the destructor leaves it alone.
    void addSharedEffect(Effect* effect);

    const char* name;
    const char* title;
    StyleLook look;
    EffectGroup* next;
    EffectGroup* previous;
    std::vector<Effect*> effects;
    std::vector<Effect*> sharedEffects;
};
