#pragma once
#include "effects/Effect.h"

class ShaderProgram;
class Texture;

// Shows a normal buffer as colours, softly blurred ("Normal Shader" style).
class NormalShader : public Effect {
public:
    NormalShader();
    // Binds "normalMap" to texture unit 0; the size is the normal target's (again when it changes).
    void setup(int width, int height);
    // Draws the texture over the overlay projection's whole screen through the blur program.
    void drawBlurred(Texture* texture);

    ShaderProgram* getProgram() const { return program; }
    int getNormalMapLocation() const { return normalMapLocation; }

private:
    int normalMapLocation;
    ShaderProgram* program;
};
