#pragma once
#include "effects/EffectGroup.h"

class BlueShader;
class NormalShader;
class SSAO;

// The eleven render styles, in the order the game walks through them. Each constructor is
// the style's whole entry in the catalogue: effects, display name, title and look.
class BGEffectGroup : public EffectGroup {
public:
    BGEffectGroup();
    BlueShader* getBlueShader() const { return blue; }

private:
    BlueShader* blue;
};
class BlackWhiteEffectGroup : public EffectGroup {
public:
    BlackWhiteEffectGroup();
};
class SSAOonlyEffectGroup : public EffectGroup {
public:
    explicit SSAOonlyEffectGroup(SSAO* ssao);
};
class SSAOEffectGroup : public EffectGroup {
public:
    explicit SSAOEffectGroup(SSAO* ssao);
};
class NormalEffectGroup : public EffectGroup {
public:
    explicit NormalEffectGroup(NormalShader* normalShader);
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
    // The blue effect is the sunrise style's (its owner): one program serves both styles.
    explicit StandardEffectGroup(BlueShader* blue);
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
// Shader groups share the effects given here (owned by the caller; either may be null).
EffectGroup* createEffectGroups(SSAO* ssao, NormalShader* normalShader);
