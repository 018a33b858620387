#pragma once
#include <GL/glew.h>

// Small pieces shared by the full-screen passes and the scene's draws.

// One quad over the whole target in a -1..1 projection, texture coordinates 0..1, given as
// (1, 1)/(1, 1), (0, 1)/(-1, 1), (0, 0)/(-1, -1), (1, 0)/(1, -1).
void drawScreenQuad();

// Switches 2D texturing off on texture units 0 to lastUnit (the last one stays active).
void disable2DTexturing(int lastUnit);

// Sets the current colour again, as four floats. The current colour reaches a vertex program
// as three or four floats, as the last glColor call gave it, and a software rasteriser builds
// the program's code anew for each layout of its inputs: objects and ground drawn after
// whatever the flight happened to draw before them met layouts the warm-up had not, and the
// first frame of a style waited for the driver.
void keepColourFourWide();

// A sampler that reads the nearest texel, clamped at the edges, or 0 where the driver has no
// sampler objects. A read exactly at a texel's centre gets that texel whatever the filter; a
// software rasteriser still pays four fetches for a linear one. The caller deletes it.
GLuint makeTexelSampler();
