#pragma once

// Without GLEW's entry points every later shader, framebuffer or texture call would jump
// through a null pointer; stop at once with a message instead. Takes glewInit's result.
void requireGlew(unsigned int glewResult);
