#pragma once
#include <cstddef>
#include <vector>

class ShaderProgram;

// One rendering effect backed by GLSL programs, which it owns.
class Effect {
public:
    Effect();
    virtual void activate();
    virtual void deactivate();
    // Declared after the two operations so they keep the first two slots; virtual because
    // groups delete their effects through the base.
    virtual ~Effect();
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // Loads "Shader/<name>.vert" and "Shader/<name>.frag" into a new program owned by the effect.
    // With withGround, also the program built with GROUND defined, which activate uses while
    // the ground is drawn: the untextured ground reads one texel all over, and its variant
    // reads it once a vertex instead of once a pixel.
    ShaderProgram* addProgram(const char* name, bool withGround = false);
    const std::vector<ShaderProgram*>& getPrograms() const { return programs; }
    // The ground variant of programs[i], or null.
    ShaderProgram* getGroundProgram(std::size_t i) const { return i < groundPrograms.size() ? groundPrograms[i] : nullptr; }
    bool hasGroundVariant() const;

protected:
    std::vector<ShaderProgram*> programs;
    std::vector<ShaderProgram*> groundPrograms;  // parallel to programs
};
