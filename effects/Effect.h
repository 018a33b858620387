#pragma once
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
    ShaderProgram* addProgram(const char* name);
    const std::vector<ShaderProgram*>& getPrograms() const { return programs; }

protected:
    std::vector<ShaderProgram*> programs;
};
