#pragma once
#include "framework/VectorMath.h"
#include "terrain/TerrainMode.h"

// How a render style draws the frame around its effects: one row of data per effect group,
// filled in by the catalogue (EffectGroups.cpp). The display and the scenery read the row;
// nothing compares a style's name to decide its look.
struct StyleLook {
    float clearColour[4] = {0.9f, 0.9f, 1.0f, 0.0f};
    float3 skyNormal = {0.1f, 0.5f, 0.0f};  // reaches glNormal3f of the lit sky quad
    int skyPicture = 2;                      // index into the configuration's sky pictures
    bool sunriseTint = false;  // sky and terrain drawn in orange, the objects in white
    int seaPicture = 0;                      // 0 "sea.jpg", 1 "meer.jpg", 2 "frozensea.jpg"
    // Terrain: its own shader or the group's, fog, 3D texture set.
    bool terrainShader = false;
    bool terrainFog = false;
    int terrainMode = Untextured;
    bool backdropPass = false;  // the group is activated again around the sky with the backdrop flag
    bool funkySea = false;      // the group is activated again around the sea with the noise lookup off
    bool normalView = false;    // the scene's normals, blurred, instead of the scene
    bool outlines = false;      // redrawn on black with thick back-face outlines
    bool occlusionOnly = false; // the ambient occlusion shown alone (with an occlusion group)
    int label = 0;              // which "shaderAnzeigeN.png" names the style, from 0
    // The band drawn around every object so that hazards stand out whatever the style does
    // to the colours: dark beside bright surfaces, light beside dark ones; its width in pixels
    // (0: none).
    float darkRim[3] = {0.03f, 0.02f, 0.06f};
    float lightRim[3] = {1.0f, 0.96f, 0.82f};
    float rimPixels = 4.0f;
};
