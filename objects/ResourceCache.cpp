#include "objects/ResourceCache.h"

#include "model/glm.h"
#include "platform/audio/Audio.h"

ResourceCache::ResourceCache() {}

// The resources go with the process; only the maps are emptied.
ResourceCache::~ResourceCache() {
    models.clear();
    textures.clear();
    sounds.clear();
    displayLists.clear();
}

GLMmodel* ResourceCache::getModel(const std::string& name, const std::string& frameOf) {
    auto it = models.find(name);
    if (it != models.end()) return it->second;
    GLMmodel* model = glmReadOBJ(name.c_str());
    const auto other = frames.find(frameOf);
    const GLMframe frame = other != frames.end() ? other->second : glmUnitFrame(model);
    glmPlaceIn(model, frame);
    frames.emplace(name, frame);
    glmFacetNormals(model);
    glmVertexNormals(model, 90.0f);
    models.emplace(name, model);
    return model;
}

Texture* ResourceCache::getTexture(const std::string& name, GLenum target) {
    auto it = textures.find(name);
    if (it != textures.end()) return it->second;
    ++textureLoads;
    Texture* texture = target == GL_TEXTURE_3D ? loader.load3DTexture(name, target) : loader.loadTexture(name, target);
    textures.emplace(name, texture);  // a failure is kept as null and never retried
    return texture;
}

unsigned int ResourceCache::getDisplayList(GLMmodel* model) {
    auto it = displayLists.find(model);
    if (it != displayLists.end()) return it->second;
    const unsigned int list = glmList(model, GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL);
    displayLists.emplace(model, list);
    return list;
}

audio::Sound* ResourceCache::getSound(const std::string& name, audio::System* system, int* result) {
    if (result) *result = audio::OK;
    auto it = sounds.find(name);
    if (it != sounds.end()) return it->second;
    // Without a sound system there is nothing to load into; ask again later.
    if (!system) return nullptr;
    audio::Sound* sound = nullptr;
    const int r = system->createSound(name.c_str(), audio::HARDWARE, nullptr, &sound);
    if (result) *result = r;
    sounds.emplace(name, sound);
    return sound;
}
