#include <GL/glew.h>

#include "effects/EffectGroups.h"

#include "core/Game.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"

BGEffectGroup::BGEffectGroup() {
    addEffect(new BlueShader());
    addEffect(new GreenShader());
    name = "Blue/Green Shader";
    title = "Sonnenaufgang";
}

BlackWhiteEffectGroup::BlackWhiteEffectGroup() {
    addEffect(new BlackWhiteShader());
    name = "Black&White";
    title = "Black&White";
}

SSAOonlyEffectGroup::SSAOonlyEffectGroup() {
    SSAO* ssao = Game::instance().getSSAO();
    if (ssao) {
        addSharedEffect(ssao);
        ssao->setOnlySSAO(true);
    }
    name = "SSAO only";
    title = "Screen Space Ambient Occlusion";
}

SSAOEffectGroup::SSAOEffectGroup() {
    SSAO* ssao = Game::instance().getSSAO();
    if (ssao) {
        addSharedEffect(ssao);
        ssao->setOnlySSAO(false);
    }
    name = "Phong Shader + SSAO";
    title = "Matsch";
}

NormalEffectGroup::NormalEffectGroup() {
    if (NormalShader* normalShader = Game::instance().getNormalShader()) addSharedEffect(normalShader);
    name = "Normal Shader";
    title = "Normale Normalen";
}

FunkyEffectGroup::FunkyEffectGroup() {
    addEffect(new FunkyShader());
    name = "Funky Shader";
    title = "Funky!";
}

ToonEffectGroup::ToonEffectGroup() {
    addEffect(new ToonShader());
    name = "Toon Shader";
    title = "Schland";
}

StandardEffectGroup::StandardEffectGroup() {
    addEffect(new BlueShader());
    name = "Standard Shader";
    title = "Super Kugelwelt";
}

RealEffectGroup::RealEffectGroup() {
    addEffect(new RealShader());
    name = "Phong Shader";
    title = "Ice Age";
}

PureEffectGroup::PureEffectGroup() {
    name = "Pure";
    title = "Stripes";
}

SunnyEffectGroup::SunnyEffectGroup() {
    addEffect(new SunnyShader());
    name = "Sunny Shader";
    title = "Karibik";
}

EffectGroup* createEffectGroups() {
    EffectGroup* first = new BGEffectGroup();
    new BlackWhiteEffectGroup();
    new SSAOonlyEffectGroup();
    new SSAOEffectGroup();
    new NormalEffectGroup();
    new FunkyEffectGroup();
    new ToonEffectGroup();
    new StandardEffectGroup();
    new RealEffectGroup();
    new PureEffectGroup();
    new SunnyEffectGroup();
    return first;
}
