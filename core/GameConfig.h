#pragma once

class EffectGroup;
class Logger;
class TextureLoader;

// Constant settings of the game, filled by the constructor; only the last three members are
// set later, at start-up.
class GameConfig {
public:
    GameConfig();
    ~GameConfig();  // deletes the logger
    GameConfig(const GameConfig&) = delete;
    GameConfig& operator=(const GameConfig&) = delete;

    const char* titlePicture;
    const char* creditsPicture;
    const char* enterNamePicture;
    const char* skyPictures[3];
    const char* windowTitle;
    int windowHeight;
    int windowWidth;
    int firstScoreThreshold;
    int secondScoreThreshold;
    float startSpeed;
    float acceleration;
    float stepMs;
    float steerRate;
    int spawnPressureStart;
    float spawnPressureGrowth;
    EffectGroup* firstEffectGroup;
    Logger* logger;
    TextureLoader* textureLoader;
};
