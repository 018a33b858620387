#pragma once
#include "objects/WorldHost.h"

class Game;

// The game as the world's rules see it: a thin adapter, so the Game itself needs no base
// class and the rules need no Game.
class GameHost final : public WorldHost {
public:
    explicit GameHost(Game& g) : game(g) {}
    const GameConfig& getConfig() const override;
    float getEyeZ() const override;
    int getScore() const override;
    Spaceship* getShip() override;
    bool hasNextStyle() const override;
    void addHitScore() override;
    void onShipHit() override;
    void nextEffectGroup() override;
    void clearBullets() override;
    void addBullets(int n) override;
    void playObjectSound(ObjectKind kind) override;

private:
    Game& game;
};
