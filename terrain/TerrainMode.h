#pragma once

// How a terrain draw is coloured; passed as a plain int through the draw calls.
enum TerrainMode { Winter = 0, Desert = 1, Beach = 2, Untextured = 3 };
