#include "core/GameConfig.h"

#include "core/FlightRules.h"
#include "framework/Logger.h"

GameConfig::GameConfig()
    : titlePicture("titlescreen.jpg"),
      creditsPicture("creditsscreen.jpg"),
      enterNamePicture("entername.jpg"),
      skyPictures{"horizon-standard.jpg", "purehorizon.jpg", "sunnysky.jpg"},
      windowTitle("Lumivex"),
      windowHeight(600),
      windowWidth(800),
      firstScoreThreshold(5000),
      secondScoreThreshold(15000),
      startSpeed(0.005f),
      acceleration(1e-7f),
      stepMs(5.0f),
      steerRate(0.003f),
      spawnPressureStart(5000),
      spawnPressureGrowth(1.0f),
      firstEffectGroup(nullptr),
      logger(nullptr),
      textureLoader(nullptr) {}

GameConfig::~GameConfig() { delete logger; }

FlightRules flightRules(const GameConfig& config) {
    FlightRules rules;
    rules.stepMs = config.stepMs;
    rules.startSpeed = config.startSpeed;
    rules.acceleration = config.acceleration;
    rules.steerRate = config.steerRate;
    rules.firstScoreThreshold = config.firstScoreThreshold;
    rules.secondScoreThreshold = config.secondScoreThreshold;
    rules.spawnPressureStart = config.spawnPressureStart;
    rules.spawnPressureGrowth = config.spawnPressureGrowth;
    return rules;
}
