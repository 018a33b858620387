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
    for (ShaderProgram* program : programs) program->use();
}

void Effect::deactivate() {
    for (ShaderProgram* program : programs) program->unuse();
}

Effect::~Effect() {
    for (ShaderProgram* program : programs) delete program;
    programs.clear();
}

ShaderProgram* Effect::addProgram(const char* name) {
    // Bounded formatting: an over-long name is cut instead of overrunning the buffer.
    char* vertexPath = new char[100];
    char* fragmentPath = new char[100];
    std::snprintf(vertexPath, 100, "Shader/%s.vert", name);
    std::snprintf(fragmentPath, 100, "Shader/%s.frag", name);
    ShaderProgram* program = new ShaderProgram(effectContext().logger);
    program->load(vertexPath, fragmentPath);
    delete[] vertexPath;
    delete[] fragmentPath;
    programs.push_back(program);
    return program;
}
