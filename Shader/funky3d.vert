#version 120
// Object position for the noise lookup, eye position so the colours drift as the camera moves.
varying vec3 normal;
varying vec3 eyePos;
varying vec3 objPos;

#ifdef GROUND
// The ground's light is worked out once a vertex (its cells are a few pixels across, and
// lighting each pixel was most of the frame on a software rasteriser); its colours stay per pixel.
varying vec2 groundLight;
#include "funky.glsl"
#endif

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    objPos = gl_Vertex.xyz;
    normal = gl_NormalMatrix * gl_Normal;
#ifdef GROUND
    groundLight = funkyLight(normalize(normal), eyePos);
#endif
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
