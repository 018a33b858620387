#include <GL/glew.h>

#include "objects/GameObject.h"

#include "core/Game.h"
#include "framework/Texture.h"
#include "objects/World.h"

GameObject::GameObject()
    : position{0, 0, 0},
      rotation{0, 0, 0},
      velocity{0, 0, 0},
      angularVelocity{0, 0, 0},
      scale{0, 0, 0},
      asteroidMarker(false),
      displayList(0),
      model(nullptr),
      texture(nullptr),
      sound(nullptr) {}

GameObject::~GameObject() {}

void GameObject::draw() {
    if (texture) {
        bindTexture(texture, GL_TEXTURE_2D, 0);
    } else {
        // No picture: plain colour, not the texture some earlier draw left bound.
        glActiveTextureARB(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rotation.z, 0, 0, 1);
    glRotatef(rotation.x, 1, 0, 0);
    glRotatef(rotation.y, 0, 1, 0);
    glScalef(scale.x, scale.y, scale.z);
    glCallList(displayList);
    glPopMatrix();
}

void GameObject::update(float dt) {
    position.x += velocity.x * dt;
    position.y += velocity.y * dt;
    position.z += velocity.z * dt;
    rotation.x += angularVelocity.x * dt;
    rotation.y += angularVelocity.y * dt;
    rotation.z += angularVelocity.z * dt;
}

void GameObject::checkBounds() {
    Game& game = Game::instance();
    const float eyeZ = game.getChaseCamera().getEye().z;
    // Behind the camera, or further ahead than any spawn point: the object left the field.
    if (position.z > eyeZ + 2.0f || position.z < eyeZ - 31.0f) {
        game.getWorld().requestRemoval(this);
        game.addHitScore();
    }
}

float GameObject::getRadius() { return scale.x; }

void GameObject::onCollision(Spaceship*) {}

bool GameObject::isAsteroid() { return asteroidMarker; }

void GameObject::followGround(float groundHeight) {
    const float floor = getRadius() + groundHeight + 0.2f;
    // Objects drifting towards the camera ride on the surface; the others only never sink into it.
    if (velocity.z > 0 || position.y < floor) position.y = floor;
}

void GameObject::movePosition(float dx, float dy, float dz) {
    position.x += dx;
    position.y += dy;
    position.z += dz;
}

void GameObject::addVelocity(float dx, float dy, float dz) {
    velocity.x += dx;
    velocity.y += dy;
    velocity.z += dz;
}

void GameObject::addAngularVelocity(float dx, float dy, float dz) {
    angularVelocity.x += dx;
    angularVelocity.y += dy;
    angularVelocity.z += dz;
}
