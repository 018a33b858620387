#pragma once
#include <functional>
#include <vector>

class Camera;
class FBO;
class Logger;
class ShaderProgram;
class Texture;
class TextureLoader;

// Ground heights from the GPU: once a frame the terrain, seen from the top-down camera, is
// rendered into a float texture of surface positions; then up to 512 ground-plane positions
// (x, z) at a time are turned into heights in one 512 x 1 pass that is read back. The position
// texture needs only a texel finer than the terrain's grid: kPositionWidth x kPositionHeight over
// the 20 x 32 units the top-down view covers is 0.05 x 0.11 units, a third of a grid cell. The
// frame's pass draws only the ground under what it asks for; the query itself takes any pass.
class TerrainHeightQuery {
public:
    // Width of the height texture: the most positions one query can answer.
    static constexpr int kMaxPositions = 512;
    static constexpr int kPositionWidth = 400;
    static constexpr int kPositionHeight = 300;
    // The area the position pass covers around the top-down eye (which looks down, its up
    // towards -z): across x to either side, along z ahead of it and behind it.
    static constexpr float kHalfWidth = 10.0f;
    static constexpr float kAhead = 30.0f;
    static constexpr float kBehind = 2.0f;

    TerrainHeightQuery();
    TerrainHeightQuery(const TerrainHeightQuery&) = delete;
    TerrainHeightQuery& operator=(const TerrainHeightQuery&) = delete;

    // The position and height textures, the position FBO (width x height) and the two programs.
    // Like every render target of the game they live until the process ends.
    void createTargets(Logger* logger, TextureLoader* loader, int width, int height);
    bool hasTargets() const { return positionFBO != nullptr; }

    // The position pass. drawTerrain(useShader, withFog, mode) draws the terrain as the game
    // does; it is asked for no program of its own and no textures, so this pass's program
    // records the surface. The model-view matrix is left as the camera's view.
    void renderPositions(const Camera& topDown, const std::function<void(bool, bool, int)>& drawTerrain);
    // The (x, z) pairs moved into the area the position pass covers, each to the nearest point
    // of it: the texel a pair outside is answered from lies at the area's edge, and a position
    // pass that draws only the ground under the pairs must draw that texel's ground.
    static std::vector<float> insideArea(const Camera& topDown, std::vector<float> points);
    // Entry k of heights (512 floats) is the terrain height at the k-th pair (x, z) of
    // positions, measured from the top-down eye's height. Valid after renderPositions.
    void computeHeightsAt(const std::vector<float>& positions, float* heights);
    // The terrain's height (world y) at every (x, z) pair of points, asked 512 at a time, so
    // that no answer is read past the result. Valid after renderPositions.
    void groundHeights(const Camera& topDown, const std::vector<float>& points, std::vector<float>& heights);

private:
    FBO* positionFBO;
    Texture* positionTexture;
    Texture* heightTexture;
    ShaderProgram* renderPositionProgram;
    ShaderProgram* fetchHeightProgram;
    int playerPositionLocation;
    int projMatrixLocation;
    int viewMatrixLocation;
    int positionWidth;
    int positionHeight;
    float projectionMatrix[16];
    float viewMatrix[16];
};
