#version 120
// Sunrise: the objects, sea and sky lit each pixel; the ground comes lit from its vertices.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
varying vec4 groundColour;
#else
#include "sunrise.glsl"
#endif

void main() {
#ifdef GROUND
    gl_FragColor = groundColour;
#else
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    gl_FragColor = vec4(sunriseLight(base, N, eyePos), tex.a * gl_Color.a);
#endif
}
