#pragma once
#include <memory>

#include "objects/ObjectKind.h"

class ResourceCache;
class Silhouette;
class Texture;
struct GLMmodel;

// A model as it is drawn: its display list and the edges that outline it.
struct KindModel {
    GLMmodel* model = nullptr;
    unsigned int displayList = 0;
    std::shared_ptr<const Silhouette> silhouette;  // null without a model
};

// The drawing side of the object kinds: each kind's models and texture, taken from the
// resource cache once, and the draw function every GameObject goes through.
struct KindResources {
    KindModel nearModel;
    KindModel farModel;  // while the object is small on screen; none (no model) for most kinds
    Texture* texture = nullptr;
    // The largest distance of a point of either model from the model's origin, before the
    // object's scale: a sphere of this radius holds it (sqrt 3, the unit cube's corner, without
    // a model).
    float radius = 1.7321f;
};

// Loads (through the cache) what every kind draws with and installs drawGameObject as the
// objects' draw function. Called once the GL context exists.
void resolveObjectKinds(ResourceCache& cache);
const KindResources& kindResources(ObjectKind kind);

class GameObject;
// The corners of the box around the object's bounding sphere, in clip coordinates, under the
// given column-major matrices.
void objectBoxInClip(const GameObject& object, const float modelView[16], const float projection[16],
                     float clip[8][4]);
void drawGameObject(const GameObject& object);
// Its model alone, untextured: the shape its rim is cut from.
void drawGameObjectShape(const GameObject& object);
// Its outline as lines in the current colour and line width, textured as its faces turned
// away from the eye are: a smooth model's outlining edges (sharpModels false); the whole of any
// other (sharpModels true), for a pass that draws the faces turned away as lines.
void drawGameObjectOutline(const GameObject& object, bool sharpModels);
