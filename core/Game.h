#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Demo.h"
#include "core/FpsOverlay.h"
#include "core/GameConfig.h"
#include "core/GameHost.h"
#include "core/GameSession.h"
#include "core/GameState.h"
#include "core/Gamepad.h"
#include "core/Letterbox.h"
#include "core/Settings.h"
#include "core/SettingsMenu.h"
#include "framework/BitmapText.h"
#include "highscore/HighscoreTable.h"
#include "highscore/ScorePanel.h"
#include "objects/Camera.h"
#include "objects/ResourceCache.h"
#include "objects/World.h"
#include "platform/Paths.h"
#include "platform/PauseKey.h"
#include "terrain/HeightQuery.h"

class EffectGroup;
class HighscoreStore;
struct StyleLook;
class FBO;
class GameObject;
class NormalShader;
class SSAO;
class ShaderProgram;
class Spaceship;
class Texture;
class TextCard;
namespace audio {
class Channel;
class Sound;
class System;
}  // namespace audio

// The one application object: owns the configuration, the world, the resource cache, the
// cameras, the height-query targets, the text writer, the score panel and the sound handles,
// and holds the whole run-time state of the game.
class Game {
public:
    static Game& instance();

    // Start-up: window, sound, projection, callbacks, resources; then the GLUT main loop.
    void run(int argc, char** argv);
    // Everything run does before entering the main loop (tests call this or its parts).
    void startUp(int argc, char** argv);
    void initWindow(int argc, char** argv);  // run steps 1 and 2
    // Asks the driver for swapInterval and says on the console what it answered.
    void applySwapInterval();
    void initProjection();                   // run step 4
    void registerCallbacks();                // run step 5
    void initSound();                        // the sound start-up
    void initResources();                    // the resource start-up

    // GLUT handlers.
    void display();
    void idle();
    void keyboard(unsigned char key, int x, int y);
    void keyboardUp(unsigned char key, int x, int y);
    void special(int key, int x, int y);
    void specialUp(int key, int x, int y);
    void reshape(int width, int height);
    void windowStatus(int status);  // hidden or covered: the flight pauses
    // A gamepad report: button mask, axes from -1000 to 1000.
    void joystick(unsigned int buttons, int x, int y, int z);

    // The window and the 4:3 picture in it.
    void beginFrame();  // black bars, then the picture as viewport and scissor box
    float pictureScale() const;  // the picture's height over the 600 it is designed for
    // remember: the setting follows (F11, the settings screen); not for --fullscreen.
    void setFullscreen(bool on, bool remember = true);
    void toggleFullscreen() { setFullscreen(!fullscreen); }

    // Pause: the simulation clock stands and the sound holds until resume.
    void pause();
    void resume();
    void togglePause() { paused ? resume() : pause(); }

    // Settings: read at start-up, saved at every change (unless the run keeps them unsaved).
    void loadSettings();
    void saveSettings();
    // Puts what differs between before and settings into effect, and saves.
    void applySettings(const Settings& before);
    void changeVolume(int* level, int delta, const char* name);
    void toggleMute();
    void applyVolumes();
    void openSettings();

    // Game operations.
    void newGame();
    void newGame(unsigned seed);  // the same seed, the same terrain and objects
    // Attract mode: the seeded demo flight on the autopilot, and back to the title.
    void startDemo();
    void endDemo();
    void fire();
    void nextEffectGroup();
    void advanceStyle();  // the next style, its multiplier and its score panel
    void onShipHit();
    void addHitScore() { session.score += 15 * session.scoreMultiplier; }
    void clearBullets() { bulletCount = 0; }
    void addBullets(int n) { bulletCount += n; }
    void playObjectSound(ObjectKind kind);
    void reloadHighscoreImage();
    void step();  // one fixed simulation step of idle

    // Sound and music.
    static void checkSoundResult(int result);
    void advancePlaylist();    // the playlist step at the top of every display
    void toggleMusicPause();   // "m"
    // Fire, beam and jump: reuse the effects channel (cutting the last effect) or take a free
    // one; either way the effects channel afterwards. Never on the music's channel.
    void playEffectSound(audio::Sound* sound, bool reuse);

    // Terrain height query.
    void createHeightQueryTargets();  // position/height textures, position FBO, the two programs
    void renderTerrainPositions();
    // The same pass over the ground under the (x, z) pairs of points only: what the frame reads.
    void renderTerrainPositionsUnder(const std::vector<float>& points);
    void computeTerrainHeightAt(const std::vector<float>& positions, float* heights);
    void placeOnTerrain(std::vector<GameObject*>& objects);

    // Overlays and HUD.
    void beginOverlay();
    void endOverlay();
    void drawImageQuad(Texture* texture, float ax, float ay, float az, float bx, float by, float bz);
    void drawFullScreenImage(Texture* texture);
    void drawEffectGroupLabel();
    void drawBulletDots();
    void drawNameEntryLines();
    void drawSaveFailureLine();
    void drawDemoLine();
    void drawPauseScreen();
    void drawSettingsScreen();
    void drawVolumeLine();
    void drawTitleKeys();
    Texture* labelTextureFor(const EffectGroup* group) const;

    // Accessors.
    GameConfig& getConfig() { return config; }
    ResourceCache& getResourceCache() { return resourceCache; }
    World& getWorld() { return world; }
    Spaceship* getShip() { return ship; }
    int getScore() const { return session.score; }
    EffectGroup* getCurrentEffectGroup() { return session.currentEffectGroup; }
    // The current style's title, as the score panel shows it; null before the first game.
    const char* currentTitle() const;
    int getState() const { return state; }
    Camera& getChaseCamera() { return chaseCamera; }
    Camera& getTopDownCamera() { return topDownCamera; }
    audio::System* getSoundSystem() { return soundSystem; }
    HighscoreTable& getHighscoreTable() { return highscoreTable; }
    SSAO* getSSAO() { return ssao; }
    NormalShader* getNormalShader() { return normalShader; }
    // Where the table, its picture and the log are written; set by main before run.
    void setPlayerFiles(const paths::PlayerFiles& places) { playerFiles = places; }
    const paths::PlayerFiles& getPlayerFiles() const { return playerFiles; }
    HighscoreStore highscoreStore() const;

private:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void drawPlayingFrame();
    void drawOutlinePass(const StyleLook& look);
    // How one pass over the scenery draws the sky and the terrain.
    struct SceneryPass {
        float3 skyNormal;
        bool terrainShader;
        bool terrainFog;
        int terrainMode;
    };
    void drawScenery(const StyleLook& look, const SceneryPass& pass, bool ssaoActive);
    // What the effects read about the frame: the screen, the ship, the logger.
    void updateEffectContext();
    // The action a key does in flight, pressed or released.
    void pressAction(int action);
    void releaseAction(int action);
    // Keys shared by every screen but name entry: volumes and mute; true when the key was one.
    bool volumeKey(int code);
    void settingsKey(int code);
    void pauseSound(bool on);
    // A text layer drawn over the design rectangle (x, y, w, h) of the 800 x 600 picture,
    // uploaded again only when its text or the picture's size changed.
    struct CardSlot {
        std::string key;
        Texture* texture = nullptr;
    };
    void drawCard(CardSlot& slot, const TextCard& card, float x, float y, float w, float h);
    void drawBlendedOverlay(const std::function<void()>& draw);

    Camera chaseCamera;
    Camera topDownCamera;
    GameConfig config;
    GameHost host;
    World world;
    ResourceCache resourceCache;
    paths::PlayerFiles playerFiles;

public:
    // Run-time state; public so that the tests and tools can drive and inspect the game.
    int state;
    TerrainHeightQuery heightQuery;
    // The running game's values, renewed by newGame.
    GameSession session;
    Spaceship* ship;
    BitmapText textWriter;
    SSAO* ssao;
    NormalShader* normalShader;
    Texture* titleTexture;
    Texture* creditsTexture;
    Texture* enterNameTexture;
    Texture* highscoreTexture;
    Texture* labelTextures[11];
    int bulletCount;
    std::string highscoreSaveFailure;  // shown on the high-score screen; empty after a good save
    // Attract mode: the demo is flying; when the title screen was last entered or a key pressed.
    bool demoRunning;
    demo::Schedule demoSchedule;
    bool titleShown;
    uint32_t titleSince;
    // The timedemo flies the demo with its own frame count per style instead of its schedule.
    bool timedemoRunning;
    // 1: every swap waits for the display's refresh; 0: frames as fast as they are drawn.
    int swapInterval;
    HighscoreTable highscoreTable;
    ScorePanel scorePanel;
    FpsOverlay fpsOverlay;  // F10

    // The window: its size in pixels, the picture in it, fullscreen, and where the window
    // was before fullscreen (x, y, width, height).
    int windowPixels[2];
    PictureRect picture;
    bool fullscreen;
    int windowedGeometry[4];
    // --fullscreen (1) or --windowed (0) for this run only; -1: as the settings say.
    int startFullscreen;
    bool paused;
    std::vector<audio::Channel*> pausedChannels;  // the channels the pause holds
    Settings settings;
    std::string settingsProblem;  // a damaged file, reported once; shown until the next save
    // The timedemo and the tools play with the defaults and keep no file; nothing is saved
    // before loadSettings has read the file.
    bool useSettingsFile;
    bool settingsLoaded;
    SettingsMenu settingsMenu;
    // The level last changed by a key, shown for a moment.
    std::string volumeText;
    uint32_t volumeShownAt;
    Gamepad gamepad;
    bool gamepadPresent;
    PauseKey pauseKey;
    CardSlot pauseCard, settingsCard, volumeCard, titleKeysCard;

    // Sound handles.
    audio::System* soundSystem;
    audio::Channel* effectsChannel;
    audio::Channel* objectChannel;
    audio::Channel* musicChannel;
    audio::Sound* fireSound;
    audio::Sound* jumpSound;
    audio::Sound* beamSound;
    audio::Sound* objectSounds[kObjectKindCount];  // played when the ship touches one of the kind
    audio::Sound* music;
    bool musicPaused;
    audio::Sound* playlist;
    bool isPlaylist;
    bool musicPlaying;
    int playlistIndex;
};
