#version 120
// Target 0: normal packed into 0..1, alpha 1 on covered pixels. Target 1: Phong-lit colour,
// alpha 1 on covered pixels. The depths are the depth buffer's.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
varying vec3 groundColour;  // lit at the vertices
#else
#include "mud.glsl"
#endif

void main() {
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    gl_FragData[0] = vec4(N * 0.5 + 0.5, 1.0);
#ifdef GROUND
    gl_FragData[1] = vec4(groundColour, 1.0);
#else
    gl_FragData[1] = vec4(mudLight(mudBase(texture2D(baseMap, gl_TexCoord[0].st).rgb), N, eyePos), 1.0);
#endif
}
