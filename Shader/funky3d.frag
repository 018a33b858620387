#version 120
// Colours from a tiny 3D noise volume (linearly filtered, repeating), smoothed, warped by
// itself and run through a cosine palette.
uniform sampler3D tex;
uniform int usePositionLookup;
varying vec3 normal;
varying vec3 eyePos;
varying vec3 objPos;

#ifdef GROUND
varying vec2 groundLight;  // from the vertices
#else
#include "funky.glsl"
#endif

const vec3 size = vec3(4.0, 4.0, 16.0);

// Between texel centres the sampler's linear filter blends; bending the coordinate by the
// smoothstep of its fraction gives smooth (not piecewise linear) noise with one fetch.
vec3 smoothNoise(vec3 p) {
    vec3 t = p * size - 0.5;
    vec3 i = floor(t);
    vec3 f = t - i;
    f = f * f * (3.0 - 2.0 * f);
    return texture3D(tex, (i + f + 0.5) / size).rgb;
}

void main() {
    vec3 p;
#ifdef GROUND
    // The ground is always drawn in the pass that looks its colours up by position.
    p = eyePos * 0.15 + objPos * 0.1;
    vec2 light = groundLight;
#else
    if (usePositionLookup == 1)
        p = eyePos * 0.15 + objPos * 0.1;
    else
        p = vec3(gl_TexCoord[0].st * 0.75, 0.1) + eyePos * 0.05;
    vec2 light = funkyLight(normalize(gl_FrontFacing ? normal : -normal), eyePos);
#endif
    vec3 n1 = smoothNoise(p);
    vec3 n2 = smoothNoise(p * 1.9 + n1 * 0.8);
    float t = n1.r * 0.6 + n2.g * 0.7 + n2.b * 0.3;
    vec3 col = 0.5 + 0.5 * cos(6.28318 * (t + vec3(0.0, 0.33, 0.67)));
    gl_FragColor = vec4(col * light.x + vec3(light.y), gl_Color.a);
}
