#pragma once
#include <GL/glew.h>
#include <map>
#include <string>

#include "framework/Texture.h"
#include "model/glm.h"

namespace audio {
class Sound;
class System;
}  // namespace audio

// Models, display lists, textures and sounds, each loaded once by name and kept for the run.
class ResourceCache {
public:
    ResourceCache();
    ~ResourceCache();
    ResourceCache(const ResourceCache&) = delete;
    ResourceCache& operator=(const ResourceCache&) = delete;

    // Centred and scaled to -1 .. 1 (glmUnitize); with frameOf, a model this cache loaded
    // before, moved and scaled as that one was: a simpler version of it, to stand in for it.
    GLMmodel* getModel(const std::string& name, const std::string& frameOf = std::string());
    Texture* getTexture(const std::string& name, GLenum target);
    unsigned int getDisplayList(GLMmodel* model);
    // Loads into system; the sound layer's result code goes to *result (the caller reports it).
    audio::Sound* getSound(const std::string& name, audio::System* system, int* result = nullptr);

    // Number of texture loads that reached the loader (cache misses), for tests.
    int textureLoadCount() const { return textureLoads; }

private:
    std::map<std::string, GLMmodel*> models;
    std::map<std::string, GLMframe> frames;  // how each model was unitized
    std::map<std::string, Texture*> textures;
    std::map<std::string, audio::Sound*> sounds;
    std::map<GLMmodel*, unsigned int> displayLists;
    TextureLoader loader;
    int textureLoads = 0;
};
