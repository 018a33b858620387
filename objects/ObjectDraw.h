#pragma once
#include "objects/ObjectKind.h"

class ResourceCache;
class Texture;
struct GLMmodel;

// The drawing side of the object kinds: each kind's model, display list and texture, taken
// from the resource cache once, and the draw function every GameObject goes through.
struct KindResources {
    GLMmodel* model = nullptr;
    unsigned int displayList = 0;
    Texture* texture = nullptr;
};

// Loads (through the cache) what every kind draws with and installs drawGameObject as the
// objects' draw function. Called once the GL context exists.
void resolveObjectKinds(ResourceCache& cache);
const KindResources& kindResources(ObjectKind kind);

class GameObject;
void drawGameObject(const GameObject& object);
// Its model alone, untextured: the shape its rim is cut from.
void drawGameObjectShape(const GameObject& object);
