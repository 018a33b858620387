// The mode's switches, fixed for each program the game builds from the terrain's shaders: a
// software rasteriser runs both sides of a branch on a uniform, so the unused parts would
// still cost. And what the vertices hand on to the pixels.
#ifndef SPECIAL_LIGHTING
#define SPECIAL_LIGHTING false
#define BEACH false
#define WITH_FOG false
#define WITH_TEXTURES true
#endif
const bool specialLighting = SPECIAL_LIGHTING;
const bool beach = BEACH;
const bool withFog = WITH_FOG;
const bool withTextures = WITH_TEXTURES;

varying float worldHeight;
varying float upness;
varying vec2 tileCoord;
varying vec3 lightScale;  // what the ground's colour is multiplied by
varying vec3 glint;       // and what is added to it
varying float fog;
