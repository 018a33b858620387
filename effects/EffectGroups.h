#pragma once
#include "effects/EffectGroup.h"

// The eleven render styles, in the order the game walks through them.
class BGEffectGroup : public EffectGroup {
public:
    BGEffectGroup();
};
class BlackWhiteEffectGroup : public EffectGroup {
public:
    BlackWhiteEffectGroup();
};
class SSAOonlyEffectGroup : public EffectGroup {
public:
    SSAOonlyEffectGroup();
};
class SSAOEffectGroup : public EffectGroup {
public:
    SSAOEffectGroup();
};
class NormalEffectGroup : public EffectGroup {
public:
    NormalEffectGroup();
};
class FunkyEffectGroup : public EffectGroup {
public:
    FunkyEffectGroup();
};
class ToonEffectGroup : public EffectGroup {
public:
    ToonEffectGroup();
};
class StandardEffectGroup : public EffectGroup {
public:
    StandardEffectGroup();
};
class RealEffectGroup : public EffectGroup {
public:
    RealEffectGroup();
};
class PureEffectGroup : public EffectGroup {
public:
    PureEffectGroup();
};
class SunnyEffectGroup : public EffectGroup {
public:
    SunnyEffectGroup();
};

// Creates the eleven groups in chain order and returns the first. The SSAO and Normal
// Shader groups take the Game's shared effects, which must exist before this call.
EffectGroup* createEffectGroups();
