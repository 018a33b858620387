#include "effects/EffectGroups.h"

#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"

namespace {

void setClear(StyleLook& look, float r, float g, float b) {
    look.clearColour[0] = r;
    look.clearColour[1] = g;
    look.clearColour[2] = b;
    look.clearColour[3] = 0.0f;
}

void setTerrain(StyleLook& look, bool ownShader, bool fog, int mode) {
    look.terrainShader = ownShader;
    look.terrainFog = fog;
    look.terrainMode = mode;
}

// Rows of the look table that differ from the defaults in StyleLook.
enum Sky { StandardSky = 0, PureSky = 1, SunnySky = 2 };
enum Sea { PlainSea = 0, TropicalSea = 1, FrozenSea = 2 };

}  // namespace

BGEffectGroup::BGEffectGroup() : blue(new BlueShader()) {
    addEffect(blue);
    addEffect(new GreenShader());
    name = "Blue/Green Shader";
    title = "Sonnenaufgang";
    setClear(look, 1.0f, 0.95f, 0.7f);
    look.sunriseTint = true;
    look.label = 0;
}

BlackWhiteEffectGroup::BlackWhiteEffectGroup() {
    addEffect(new BlackWhiteShader());
    name = "Black&White";
    title = "Black&White";
    look.skyNormal = float3{0.1f, 0.5f, 0.25f};
    look.label = 1;
}

SSAOonlyEffectGroup::SSAOonlyEffectGroup(SSAO* ssao) {
    if (ssao) {
        addSharedEffect(ssao);
        ssao->setOnlySSAO(true);
    }
    name = "SSAO only";
    title = "Screen Space Ambient Occlusion";
    setClear(look, 0.9f, 0.2f, 0.2f);
    look.occlusionOnly = true;
    look.label = 2;
}

SSAOEffectGroup::SSAOEffectGroup(SSAO* ssao) {
    if (ssao) {
        addSharedEffect(ssao);
        ssao->setOnlySSAO(false);
    }
    name = "Phong Shader + SSAO";
    title = "Matsch";
    setClear(look, 0.9f, 0.2f, 0.2f);
    look.label = 3;
}

NormalEffectGroup::NormalEffectGroup(NormalShader* normalShader) {
    if (normalShader) addSharedEffect(normalShader);
    name = "Normal Shader";
    title = "Normale Normalen";
    setClear(look, 0.8f, 1.0f, 0.1f);
    look.skyNormal = float3{0, 0, 1};
    look.normalView = true;
    look.label = 4;
}

FunkyEffectGroup::FunkyEffectGroup() {
    addEffect(new FunkyShader());
    name = "Funky Shader";
    title = "Funky!";
    look.funkySea = true;
    look.label = 5;
}

ToonEffectGroup::ToonEffectGroup() {
    addEffect(new ToonShader());
    name = "Toon Shader";
    title = "Schland";
    setClear(look, 0.9f, 0.8f, 1.0f);
    look.skyNormal = float3{0.1f, 0.5f, 0.25f};
    look.label = 6;
}

StandardEffectGroup::StandardEffectGroup(BlueShader* blue) {
    if (blue) addSharedEffect(blue);
    name = "Standard Shader";
    title = "Super Kugelwelt";
    setClear(look, 0.1f, 0.7f, 1.0f);
    look.skyPicture = StandardSky;
    setTerrain(look, true, false, Untextured);
    look.backdropPass = true;
    look.label = 7;
}

RealEffectGroup::RealEffectGroup() {
    addEffect(new RealShader());
    name = "Phong Shader";
    title = "Ice Age";
    setClear(look, 0.5f, 0.8f, 1.0f);
    look.seaPicture = FrozenSea;
    setTerrain(look, true, true, Winter);
    look.label = 8;
}

PureEffectGroup::PureEffectGroup() {
    name = "Pure";
    title = "Stripes";
    setClear(look, 0.7f, 0.8f, 1.0f);
    look.skyPicture = PureSky;
    look.outlines = true;
    look.label = 9;
}

SunnyEffectGroup::SunnyEffectGroup() {
    addEffect(new SunnyShader());
    name = "Sunny Shader";
    title = "Karibik";
    look.skyPicture = SunnySky;
    look.seaPicture = TropicalSea;
    setTerrain(look, true, false, Beach);
    look.backdropPass = true;
    look.label = 10;
}

EffectGroup* createEffectGroups(SSAO* ssao, NormalShader* normalShader) {
    BGEffectGroup* first = new BGEffectGroup();
    new BlackWhiteEffectGroup();
    new SSAOonlyEffectGroup(ssao);
    new SSAOEffectGroup(ssao);
    new NormalEffectGroup(normalShader);
    new FunkyEffectGroup();
    new ToonEffectGroup();
    new StandardEffectGroup(first->getBlueShader());
    new RealEffectGroup();
    new PureEffectGroup();
    new SunnyEffectGroup();
    return first;
}
