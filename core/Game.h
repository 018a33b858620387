#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Daily.h"
#include "core/Demo.h"
#include "core/FlightFx.h"
#include "core/FlightRenderer.h"
#include "core/FpsOverlay.h"
#include "core/GameAudio.h"
#include "core/GameConfig.h"
#include "core/GameState.h"
#include "core/Ghost.h"
#include "core/Replay.h"
#include "core/Gamepad.h"
#include "core/Letterbox.h"
#include "core/RenderScale.h"
#include "core/Screen.h"
#include "core/Settings.h"
#include "core/Statistics.h"
#include "core/SettingsMenu.h"
#include "core/Step.h"
#include "highscore/HighscoreTable.h"
#include "highscore/ScorePanel.h"
#include "highscore/ScoreSaver.h"
#include "objects/ResourceCache.h"
#include "platform/Paths.h"
#include "platform/PauseKey.h"

class EffectGroup;
class HighscoreStore;
class Texture;
class TextCard;

// The one application object: the window and its loop, the screens, the keys, the renderer,
// sound and music, and the flight being played. The rules of a flight live in its state and
// step (GameState, step); the Game feeds the step what the keys, the gamepad or the demo's
// autopilot say, answers its ground from the flight's strip, and acts on what it reports.
class Game {
public:
    static Game& instance();

    // Start-up: window, sound, projection, callbacks, resources; then the GLUT main loop.
    void run(int argc, char** argv);
    // Everything run does before entering the main loop (tests call this or its parts).
    void startUp(int argc, char** argv);
    void initWindow(int argc, char** argv);
    void initProjection();
    void registerCallbacks();
    void initSound() { sound.init(); }
    // What the title needs; the rest (styles, kinds, scenery, labels) is loaded by the first
    // warm-up step, after the first title frame, or by whatever needs it first. Loads once.
    void initResources();
    void loadFlightResources();
    void finishWarmUp();  // the warm-up's steps not taken yet (WarmUp.cpp)

    // How this run starts, before startUp: whether frames wait for the display's refresh (1)
    // or not (0); fullscreen (1), windowed (0) or as the settings say (-1); whether the
    // settings file is read and written (the timedemo and the tools play with the defaults).
    void setSwapInterval(int interval) { swapInterval = interval; }
    void setStartFullscreen(int mode) { startFullscreen = mode; }
    void setUseSettingsFile(bool use) { useSettingsFile = use; }
    // Where the table, its picture, the log and the settings are written; set by main.
    void setPlayerFiles(const paths::PlayerFiles& places) { playerFiles = places; }
    // A replay to play back as soon as the window is up, ending the program with it.
    void setStartReplay(replay::Replay recorded) { startReplay = std::make_unique<replay::Replay>(std::move(recorded)); }
    // A folder where the player's flights (and replays of them) leave a picture of every style
    // they reach, drawn kStyleFrameMs after it was reached: a flight and its replay leave the same.
    void setStyleFrames(const std::string& folder) { styleFramesFolder = folder; }
    static constexpr float kStyleFrameMs = 2000;  // the style's transition is over by then

    // GLUT handlers: the game's inputs.
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

    // A flight (as "s" starts one), seeded; the same seed, the same terrain and objects.
    void newGame();
    void newGame(uint32_t seed);
    // Attract mode: the seeded demo flight on the autopilot; the timedemo flies it without
    // the schedule, moving on a style when showNextStyle says.
    void startDemo(FlightMode mode = FlightMode::Demo);
    void showNextStyle() { inputs.press(Input::NextStyle); }
    // Plays a replay from its first step; with fromCommandLine the program ends with it
    // ("Replay finished: score N" and exit 0, or one line and exit 1 when it came out otherwise).
    void playReplay(replay::Replay recorded, bool fromCommandLine);
    // The replay list (R on the title).
    void openReplays();
    // Where the player's replays are kept.
    std::string replayFolder() const;
    // The daily course (D on the title, core/DailyCourse.cpp): today's flight, its ghost, its table.
    void startDaily();
    bool isDailyFlight() const { return dailyFlight; }
    const Ghost& getGhost() const { return ghost; }
    // Puts other settings into effect, as the settings screen does.
    void changeSettings(const Settings& wanted);
    // The 3D scene's share of the picture for this run, whatever the settings say (the timedemo).
    void chooseRenderScale(int choice);
    const RenderScale& getRenderScale() const { return renderScale; }

    // What the tests, the tools and the timedemo read.
    GameScreen screen() const { return state; }
    const GameState& flight() const { return flightState; }
    bool isPaused() const { return paused; }
    // The attract mode: the seeded demo, or the best replay shown as one.
    bool isDemoRunning() const {
        return state == Playing && (flightState.mode != FlightMode::Player || playback == Playback::Attract);
    }
    bool isReplaying() const { return state == Playing && playback != Playback::Off; }
    bool isFastForward() const { return fastForward; }
    int getHighscoreRank() const { return highscoreRank; }
    const std::string& getHighscoreSaveFailure() const { return highscoreSaveFailure; }
    const GameConfig& getConfig() const { return config; }
    Logger* getLogger() const { return config.logger; }
    const Settings& getSettings() const { return settings; }
    const HighscoreTable& getHighscoreTable() const { return highscoreTable; }
    const GameAudio& audio() const { return sound; }
    const FpsOverlay& getFpsOverlay() const { return fpsOverlay; }
    const PictureRect& getPicture() const { return picture; }
    bool isFullscreen() const { return fullscreen; }
    int getSwapInterval() const { return swapInterval; }
    const std::string& getVolumeText() const { return volumeText; }
    FlightRenderer& getRenderer() { return renderer; }
    ResourceCache& getResourceCache() { return resourceCache; }
    const paths::PlayerFiles& getPlayerFiles() const { return playerFiles; }
    // The current style (null before start-up) and its title as the score panel shows it.
    EffectGroup* currentStyle() const;
    const char* currentTitle() const;
    // Normal's table unless a grade is named.
    HighscoreStore highscoreStore(Grade grade = Grade::Normal) const;

private:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void beginFlight(uint32_t seed, const FlightRules& rules, FlightMode mode);
    // One fixed step of the flight with what the inputs say, and what follows from it.
    void stepFlight();
    void react(const StepEvents& events);
    // The last hit: the ship breaks up, the music ducks, and after a beat endFlight.
    void beginEnding();
    void idleOnStill();
    void endFlight();  // rank, table, screen
    void endDemo();
    // The end of a playback: checked against the recording, then where it was started from.
    void endPlayback(bool quit);
    void keepReplay();  // the finished flight among the player's replays
    // The step at which the current style's picture is due, and its drawing (setStyleFrames).
    void noteStyleFrame();
    void saveStyleFrame();
    void keepDailyReplay(const std::string& bytes);
    void endDailyFlight();  // the name entry, then the day's table
    void saveDailyScore();
    void showDailyTable();
    void drawDailyTable();
    void drawGhost();  // in the scene's space, over the scenery
    void replaysKey(int code);
    void reloadHighscoreImage();
    // The full-screen picture the screen shown has (the title's, the credits', the name entry's;
    // none for a flight or the high-score table), loaded when it is first drawn and let go when
    // the screen shown has another or none: a flight keeps none of them. The high-score
    // table's own picture (highscoreTexture) is let go the same way when its screen is left.
    Texture* screenPicture();
    void cycleGrade();  // G: the next grade, and on the high-score screen its table
    // The typed name confirmed: the score saved, or waiting for the table's lock
    // (core/ScoreSave.cpp); a waiting score is tried again from idle.
    void saveScore();
    void pollScoreSave();
    void applySwapInterval();
    void updateEffectContext();

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

    // The action a key does in flight, pressed or released.
    void pressAction(int action);
    void releaseAction(int action);
    // Keys shared by every screen but name entry: volumes and mute; true when the key was one.
    bool volumeKey(int code);
    void settingsKey(int code);
    void nameKey(unsigned char key);

    // Draws what a flight draws, once, before the first flight (WarmUp.cpp): one style a call,
    // false once every style was drawn.
    bool warmUpStep();

    // Overlays and HUD.
    void drawImageQuad(Texture* texture, float ax, float ay, float az, float bx, float by, float bz);
    void drawFullScreenImage(Texture* texture);
    void drawHud(const GameState& flight);
    void drawStyleTrack(const GameState& flight);
    void drawTransition();
    void drawEffectGroupLabel(const GameState& flight);
    void drawBulletDots(int bullets);
    void drawNameEntryLines();
    void drawSaveFailureLine();
    void drawDemoLines();
    void drawReplayLines();
    void drawReplaysScreen();
    void drawHowToPlay();
    void drawMusicNote();
    void drawGradeNote();  // whose table the high-score screen shows
    // The "How to play" card; when start is set, the flight follows the key that closes it.
    void showHowToPlay(bool start);
    void drawPauseScreen();
    void drawSettingsScreen();
    void drawVolumeLine();
    void drawTitleKeys();
    void drawSettingsNote();  // a settings file's problem, over the title
    // Statistics (core/StatisticsScreen.cpp): the player's flights counted step by step, added to
    // the file at their end (a busy lock retried from idle), shown with T.
    void countStep(const StepEvents& events);
    void countFlight();
    bool counted() const;  // the player's own flight, not the demo, the timedemo or a replay
    void saveStatistics(int lockWaitMs);
    void pollStatisticsSave();
    void openStatistics();
    void statisticsKey(int code);
    void drawStatisticsScreen();
    // A text layer drawn over the design rectangle (x, y, w, h) of the 800 x 600 picture,
    // uploaded again only when its text or the picture's size changed.
    struct CardSlot {
        std::string key;
        Texture* texture = nullptr;
    };
    void drawCard(CardSlot& slot, const TextCard& card, float x, float y, float w, float h, float alpha = 1);
    void drawBlendedOverlay(const std::function<void()>& draw);

    GameConfig config;
    ResourceCache resourceCache;
    paths::PlayerFiles playerFiles;
    GameScreen state;

    // The flight and what drives it.
    GameState flightState;
    StepClock clock;
    InputQueue inputs;
    Ground ground;
    uint32_t lastFrameTime;  // timeGetTime at the end of the last simulation call
    int scorePanelTimer;     // simulated ms since the score panel was refreshed
    int highscoreRank;       // rank of the finished flight's score
    Grade flightGrade = Grade::Normal;  // the player's flight's, for its replay and its table
    Grade tableGrade = Grade::Normal;   // whose table the high-score screen shows and saves into
    FlightFx fx;             // what the player sees happen: hits, stars, sparks, the end
    bool ending;             // the flight is over, its last moment still on screen
    uint32_t endingSince;
    bool musicDucked;
    uint32_t lastDrawn;      // when the last frame was drawn

    FlightRenderer renderer;
    std::unique_ptr<Texture> shownPicture;
    std::string shownPictureFile;
    Texture* highscoreTexture;  // while the high-score screen shows
    Texture* labelTextures[kStyleCount];
    std::string highscoreSaveFailure;  // shown on the high-score screen; empty after a good save
    std::unique_ptr<GameState> warmFlight;  // drawn by the warm-up, then let go
    bool flightResourcesLoaded = false;
    int warmedStyles = 0;
    int titleFramesShown = 0;
    // Attract mode: when the title screen was last entered or a key pressed.
    bool titleShown;
    uint32_t titleSince;
    // 1: every swap waits for the display's refresh; 0: frames as fast as they are drawn.
    int swapInterval;
    HighscoreTable highscoreTable;
    ScoreSaver scoreSaver;
    ScorePanel scorePanel;
    FpsOverlay fpsOverlay;  // F10

    // The window: its size in pixels, the picture in it, fullscreen, and where the window
    // was before fullscreen (x, y, width, height).
    int windowPixels[2];
    PictureRect picture;
    bool fullscreen;
    int windowedGeometry[4];
    int startFullscreen;
    bool paused;
    Settings settings;
    std::string settingsProblem;  // a damaged file, reported once; shown until the next save
    // Nothing is saved before loadSettings has read the file.
    bool useSettingsFile;
    bool settingsLoaded;
    SettingsMenu settingsMenu;
    // The level last changed by a key, shown for a moment.
    std::string volumeText;
    uint32_t volumeShownAt;
    Gamepad gamepad;
    bool gamepadPresent;
    RenderScale renderScale;
    bool renderScaleChosen = false;  // by chooseRenderScale: the setting does not apply
    double lastSwapMs = -1;          // steady time the last flight frame's swap ended; -1: none yet
    PauseKey pauseKey;
    // Replays: the flight being recorded, or the one played back and how it was started.
    enum class Playback { Off, CommandLine, List, Attract };
    replay::Recorder recorder;
    std::unique_ptr<replay::Player> player;
    std::unique_ptr<replay::Replay> startReplay;
    Playback playback = Playback::Off;
    bool fastForward = false;
    std::vector<replay::Entry> replayList;
    int replaySelected = 0;
    std::string replayNote;  // why the chosen replay did not play, under the list
    std::string styleFramesFolder;
    int styleSeen = -1;        // the style the due picture is of
    long styleFrameStep = -1;  // the step after which it is drawn
    bool styleFrameDue = false;  // the steps wait until it is drawn
    unsigned stylesFramed = 0;   // one bit a style: pictured already
    CardSlot replayCard, replaysCard;
    // The daily course: flown now, or its table shown on the high-score screen.
    bool dailyFlight = false, dailyShown = false;
    daily::Date dailyDate;
    daily::Table dailyTable;
    int dailyRank = 0;  // the player's row in the day's table; 0: none
    Ghost ghost;
    CardSlot dailyCard;
    CardSlot pauseCard, settingsCard, volumeCard, titleKeysCard, trackCard, transitionCard, helpCard, demoCard, noteCard,
        nameCard, failureCard, settingsNoteCard;
    CardSlot gradeCard;
    bool showingHelp;
    bool startAfterHelp;
    FlightStats flightStats;                  // the player's flight being flown
    std::unique_ptr<FlightStats> lastFlight;  // this run's last finished flight
    std::vector<FlightStats> unsavedFlights;  // finished, not yet in the file
    uint32_t statisticsTriedAt = 0;
    Statistics statisticsShown;
    GameScreen statisticsFrom = Title;
    CardSlot statisticsCard;

    GameAudio sound;
};
