#pragma once
#include <GL/glew.h>

#include "effects/Effect.h"

class FBO;
class ShaderProgram;
class Texture;

// Shows a normal buffer as colours, softly blurred ("Normal Shader" style).
class NormalShader : public Effect {
public:
    NormalShader();
    ~NormalShader() override;
    // Binds "normalMap" to texture unit 0; the size is the normal target's (again when it changes).
    void setup(int width, int height);
    // Draws the normals over the overlay projection's whole screen, blurred across into scratch
    // (a texture of their size whose contents are not needed) and down from it.
    void drawBlurred(Texture* normals, Texture* scratch);

    ShaderProgram* getProgram() const { return program; }
    int getNormalMapLocation() const { return normalMapLocation; }

private:
    int normalMapLocation;
    int stepLocation;
    ShaderProgram* program;
    FBO* acrossFBO;
    GLuint texelSampler;
    int width;
    int height;
};
