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
    // Binds "normalMap" to texture unit 0; the size is the normal target's (again when it
    // changes), which the blur's own target takes.
    void setup(int width, int height);
    // Lets the blur's target go while no style shows the normals.
    void releaseTarget();
    // Draws the texture over the overlay projection's whole screen, blurred across into the
    // target and down from it.
    void drawBlurred(Texture* texture);

    ShaderProgram* getProgram() const { return program; }
    int getNormalMapLocation() const { return normalMapLocation; }

private:
    void makeTarget();

    int normalMapLocation;
    int stepLocation;
    ShaderProgram* program;
    Texture* across;
    FBO* acrossFBO;
    GLuint texelSampler;
    int width;
    int height;
};
