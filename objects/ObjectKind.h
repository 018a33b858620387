#pragma once
#include "framework/VectorMath.h"

// The kinds of moving object. What a kind looks and sounds like is data (the table below),
// so the rules can create and move objects without a GL context; the drawing side resolves
// the names into models, display lists, textures and sounds.
enum class ObjectKind { Ship, Asteroid, Bullet, BulletPowerUp, Star };
constexpr int kObjectKindCount = 5;

struct ObjectKindInfo {
    ObjectKind kind;
    const char* model;    // OBJ file, relative to the game folder
    const char* farModel; // drawn instead while the object is small on screen; null for none
    const char* texture;  // picture under Textures/
    const char* sound;    // played on contact with the ship; null for none
    float scale;          // uniform scale; asteroids draw their own size instead
    float3 spin;          // angular velocity at creation, degrees per ms
};

const ObjectKindInfo& objectKind(ObjectKind kind);
