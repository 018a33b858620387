#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "core/Game.h"
#include "effects/EffectGroup.h"

// The game's shared effects and its eleven groups, created once for the test program the way
// the start-up does (SSAO and Normal Shader first, then the chain).
namespace fxtest {

EffectGroup* firstGroup();
EffectGroup* groupNamed(const std::string& name);

// GL_COMPILE_STATUS of both shaders and GL_LINK_STATUS of the program, with the logs on failure.
::testing::AssertionResult programBuilt(GLuint program);

int currentProgram();

}  // namespace fxtest
