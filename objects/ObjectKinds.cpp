#include "objects/ObjectKind.h"

namespace {

// In the order of the enumeration.
const ObjectKindInfo kKinds[kObjectKindCount] = {
    {ObjectKind::Ship, "Modells/ship3.obj", nullptr, "ship1-texture-final.jpg", nullptr, 0.16f, {0, 0, 0}},
    {ObjectKind::Asteroid, "Modells/asteroid1.obj", "Modells/asteroid1-far.obj", "asteroid1-texture-final.jpg",
     "Sounds/collision.wav", 0.0f, {0, 0, 0}},
    {ObjectKind::Bullet, "Modells/bullet.obj", nullptr, "bullet-texture.jpg", nullptr, 0.05f, {0, 0, 0}},
    {ObjectKind::BulletPowerUp, "Modells/bullet-powerup.obj", nullptr, "bullet-powerup.jpg",
     "Sounds/bulletpowerup.wav", 0.16f, {0, 0.25f, 0}},
    {ObjectKind::Star, "Modells/special-stern.obj", nullptr, "special-gold-texture.jpg", "Sounds/powerup.wav", 0.16f,
     {0, 0, 0.25f}},
};

}  // namespace

const ObjectKindInfo& objectKind(ObjectKind kind) { return kKinds[static_cast<int>(kind)]; }
