#pragma once
#include "framework/VectorMath.h"

struct GLMmodel;
class Texture;
class Spaceship;
namespace audio {
class Sound;
}

// Base of everything that moves: ship, asteroids, bullets and power-ups.
// The virtual operations keep this slot order: destructor, draw, update, checkBounds,
// getRadius, onCollision, isAsteroid, followGround.
class GameObject {
public:
    GameObject();
    virtual ~GameObject();
    virtual void draw();
    virtual void update(float dt);
    virtual void checkBounds();
    virtual float getRadius();
    virtual void onCollision(Spaceship* ship);
    virtual bool isAsteroid();
    virtual void followGround(float groundHeight);

    float3 getPosition() const { return position; }
    void setPosition(float x, float y, float z) { position = float3{x, y, z}; }
    void movePosition(float dx, float dy, float dz);
    float3 getRotation() const { return rotation; }
    void setRotation(float x, float y, float z) { rotation = float3{x, y, z}; }
    float3 getVelocity() const { return velocity; }
    void setVelocity(float x, float y, float z) { velocity = float3{x, y, z}; }
    void addVelocity(float dx, float dy, float dz);
    float3 getAngularVelocity() const { return angularVelocity; }
    void addAngularVelocity(float dx, float dy, float dz);
    float3 getScale() const { return scale; }
    Texture* getTexture() const { return texture; }
    GLMmodel* getModel() const { return model; }
    unsigned int getDisplayList() const { return displayList; }
    audio::Sound* getSound() const { return sound; }

protected:
    float3 position;
    float3 rotation;
    float3 velocity;
    float3 angularVelocity;
    float3 scale;
    bool asteroidMarker;
    unsigned int displayList;
    GLMmodel* model;
    Texture* texture;
    audio::Sound* sound;
};
