#include <GL/glew.h>

#include "effects/Effect.h"

#include <cstdio>

#include "effects/EffectContext.h"
#include "framework/ShaderProgram.h"

EffectContext& effectContext() {
    static EffectContext context;
    return context;
}

Effect::Effect() {}

void Effect::activate() {
    // With several programs the last one stays current.
    const bool ground = effectContext().groundPass;
    for (size_t i = 0; i < programs.size(); ++i) {
        ShaderProgram* variant = ground ? getGroundProgram(i) : nullptr;
        (variant ? variant : programs[i])->use();
    }
}

bool Effect::hasGroundVariant() const {
    for (ShaderProgram* program : groundPrograms)
        if (program) return true;
    return false;
}

void Effect::deactivate() {
    for (ShaderProgram* program : programs) program->unuse();
}

Effect::~Effect() {
    for (ShaderProgram* program : programs) delete program;
    for (ShaderProgram* program : groundPrograms) delete program;
    programs.clear();
    groundPrograms.clear();
}

ShaderProgram* Effect::addProgram(const char* name, bool withGround) {
    // Bounded formatting: an over-long name is cut instead of overrunning the buffer.
    char* vertexPath = new char[100];
    char* fragmentPath = new char[100];
    std::snprintf(vertexPath, 100, "Shader/%s.vert", name);
    std::snprintf(fragmentPath, 100, "Shader/%s.frag", name);
    ShaderProgram* program = new ShaderProgram(effectContext().logger);
    program->load(vertexPath, fragmentPath);
    ShaderProgram* ground = nullptr;
    if (withGround) {
        ground = new ShaderProgram(effectContext().logger);
        ground->load(vertexPath, fragmentPath, "#define GROUND 1\n");
    }
    delete[] vertexPath;
    delete[] fragmentPath;
    programs.push_back(program);
    groundPrograms.push_back(ground);
    return program;
}
