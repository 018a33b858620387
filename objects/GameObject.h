#pragma once
#include "framework/VectorMath.h"
#include "objects/ObjectKind.h"

class Spaceship;
class World;
class WorldHost;

// Base of everything that moves: ship, asteroids, bullets and power-ups.
// The virtual operations keep this slot order: destructor, draw, update, checkBounds,
// getRadius, onCollision, isAsteroid, followGround.
class GameObject {
public:
    explicit GameObject(ObjectKind kind);
    virtual ~GameObject();
    // Through the drawing side's function (setDrawFunction); without one, nothing is drawn.
    virtual void draw() const;
    virtual void update(float dt);
    virtual void checkBounds();
    virtual float getRadius() const;
    virtual void onCollision(Spaceship* ship);
    virtual bool isAsteroid() const;
    virtual void followGround(float groundHeight);

    // The renderer sits behind this one function, set once at start-up by the drawing side.
    using DrawFunction = void (*)(const GameObject&);
    static void setDrawFunction(DrawFunction function);

    ObjectKind getKind() const { return kind; }
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

    // The world the object lives in (set when it is added); null while it is in none.
    World* getWorld() const { return world; }
    void setWorld(World* w) { world = w; }

protected:
    // The game around the world, for the rules that need it; null outside a world.
    WorldHost* host() const;

    ObjectKind kind;
    float3 position;
    float3 rotation;
    float3 velocity;
    float3 angularVelocity;
    float3 scale;
    bool asteroidMarker;
    World* world;
};
