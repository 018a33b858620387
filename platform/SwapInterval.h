#pragma once

// Stand-in for the WGL swap-interval extension: sets the swap interval of the current
// GLX drawable when the driver offers a swap-control extension, and does nothing otherwise.
// Returns true when an extension took the call.
bool wglSwapIntervalEXT(int interval);
