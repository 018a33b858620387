#pragma once
#include <functional>
#include <memory>

#include <GL/glew.h>
#include <vector>

#include "core/Letterbox.h"
#include "framework/Screen.h"
#include "framework/VectorMath.h"
#include "objects/Scenery.h"
#include "terrain/TerrainMode.h"

class EffectGroup;
class GameConfig;
class Logger;
class NormalShader;
class ResourceCache;
class SSAO;
class ShaderProgram;
struct GameState;
struct StyleLook;

// What a frame shows besides the flight: the heads-up display, effects in the scene (sparks,
// the ship breaking up), the camera's jolt after a hit, the ship gone after the last one.
struct FrameExtras {
    std::function<void()> hud;    // in the overlay's -1..1 space, over everything else
    std::function<void()> scene;  // in the scene's space, over the scenery
    float shake[2] = {0, 0};      // the camera's jolt, scene units
    bool shipHidden = false;
};

// Draws a flight's frame from its state, which it never changes: the scene through the
// current style's effects and passes, with the heads-up display at its place in them. It
// owns what that takes (the scenery, the occlusion and normal-view effects, the eleven styles).
class FlightRenderer {
public:
    FlightRenderer();
    ~FlightRenderer();
    FlightRenderer(const FlightRenderer&) = delete;
    FlightRenderer& operator=(const FlightRenderer&) = delete;

    // Once the GL context exists, in this order: the occlusion and normal-view effects at the
    // window's size, the rims' program, the eleven styles.
    void create(const GameConfig& config, Logger* logger);
    // The scenery's pictures and the terrain's buffers (after the objects' resources).
    void createScenery(ResourceCache& cache, const GameConfig& config) { scenery.create(cache, config); }

    // The style at an index of the chain (null outside it or before create).
    EffectGroup* style(int index) const;
    const std::vector<EffectGroup*>& getStyles() const { return styles; }

    // The Playing frame: the scene through the current style, the warning sign and the hint
    // arrows, then the extras; the heads-up display last, so nothing in the scene covers it.
    void draw(const GameState& flight, const FrameExtras& extras = FrameExtras());
    // The share of the picture's width and height the 3D scene is drawn at (0.25 to 1): below 1
    // the scene (rims and scene effects too) is drawn into the lower left part of the picture
    // and widened to all of it, and the heads-up display is drawn at full size over it.
    void setSceneScale(float scale);
    float getSceneScale() const { return sceneScale; }
    // Every program a frame can draw with, built now rather than at its first draw.
    void buildPrograms();

    SSAO* getSSAO() const { return ssao; }
    NormalShader* getNormalShader() const { return normalShader; }
    const Scenery& getScenery() const { return scenery; }

private:
    // How one pass over the scenery draws the sky and the terrain.
    struct SceneryPass {
        float3 skyNormal;
        bool terrainShader;
        bool terrainFog;
        int terrainMode;
    };
    // The outline style's filled scene.
    static constexpr SceneryPass kOutlineFill{float3{0, 0, 1}, true, false, Desert};
    // Everything but the heads-up display, into the picture as it is set.
    void drawScene(const GameState& flight);
    void drawScenery(const GameState& flight, const StyleLook& look, const SceneryPass& pass, bool ssaoActive);
    void drawOutlinePass(const GameState& flight, const StyleLook& look);
    void applyCamera(const GameState& flight) const;
    void drawRims(const GameState& flight, const StyleLook& look);
    // The parts of the picture (x, y, width, height, in the viewport given) the drawn objects
    // cover, each widened by margin pixels; none when no object is in sight.
    void objectsOnScreen(const GameState& flight, const GLint viewport[4], float margin,
                         std::vector<PictureRect>& rects) const;
    // The occlusion and normal-view targets at the scene's size.
    void fitTargets();
    // The scene drawn into part of the picture, widened to all of it (the picture as set).
    void widen(const screen::Viewport& part);

    Scenery scenery;
    SSAO* ssao;
    NormalShader* normalShader;
    std::vector<EffectGroup*> styles;
    FrameExtras extras;         // of the frame being drawn
    std::unique_ptr<ShaderProgram> rimProgram;
    GLuint frameCopy = 0;  // the frame before the rims, at the picture's size
    int frameCopySize[2] = {0, 0};
    std::vector<PictureRect> copied;  // the parts of the frame copied for the rims
    float sceneScale = 1.0f;
    int targetSize[2] = {0, 0};  // the occlusion targets' size at scale 1
    int fittedSize[2] = {0, 0};  // their size now
    GLuint widened = 0;  // the scaled scene, copied to be widened
    int widenedSize[2] = {0, 0};
};
