#pragma once
#include <memory>
#include <vector>

class GameConfig;
class ResourceCache;
class Terrain;
class Texture;
struct GameState;
struct StyleLook;

// The drawing side of the playing field: objects, sky, sea, terrain, score sign and hint
// arrows, drawn from a flight's state, which it never changes. It keeps the pictures and the
// terrain's vertex buffers for the whole run.
class Scenery {
public:
    Scenery();
    ~Scenery();
    Scenery(const Scenery&) = delete;
    Scenery& operator=(const Scenery&) = delete;

    // The pictures (through the cache) and the terrain's buffers: once the GL context exists.
    void create(ResourceCache& cache, const GameConfig& config);
    bool created() const { return terrain != nullptr; }
    // Uploads the terrain chunks the flight made since the last call.
    void sync(const GameState& flight);

    void drawObjects(const GameState& flight, bool withoutShip = false) const;
    // The objects' models alone, untextured (for a shader that makes their rims).
    void drawObjectShapes(const GameState& flight, bool withoutShip) const;
    // The objects' outlines as lines (the outlined style's): see drawGameObjectOutline.
    void drawObjectOutlines(const GameState& flight, bool withoutShip, bool sharpModels) const;
    void drawSky(const GameState& flight, float nx, float ny, float nz, const StyleLook& look) const;
    void drawSea(const GameState& flight, const StyleLook& look) const;
    // The sea's picture on unit 0 and its material, as the sea leaves them for what follows.
    void useSeaSurface(const GameState& flight, const StyleLook& look) const;
    void drawTerrain(const GameState& flight, bool useShader, bool withFog, int mode) const;
    void drawSign(const GameState& flight) const;
    void drawArrows(const GameState& flight) const;

    Terrain* getTerrain() const { return terrain.get(); }
    Texture* getSkyTexture(int i) const { return skyTextures[i]; }

private:
    std::unique_ptr<Terrain> terrain;
    Texture* skyTextures[3];
    Texture* seaTextures[3];
    Texture* signTextures[2];
    Texture* arrowTexture;
};
