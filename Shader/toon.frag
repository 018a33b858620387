#version 120
// Cel shading; dark rims on near textured shapes (the objects).
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;
varying vec3 upEye;
#include "toon.glsl"

#ifdef GROUND
varying vec3 groundTerms;  // from the vertices
#else
varying float height;
#endif

void main() {
#ifdef GROUND
    gl_FragColor = vec4(toonColour(groundTerms), gl_Color.a);
#else
    // Untextured geometry (the ground) has one texture coordinate all over: its shade then
    // comes from the light alone, not from whatever texel happens to be there.
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    bool textured = length(fwidth(gl_TexCoord[0].st)) > 1e-4;
    vec3 base = textured ? tex.rgb * gl_FrontMaterial.diffuse.rgb : vec3(0.5);
    float own = dot(base, vec3(0.30, 0.59, 0.11));
    vec3 N0 = normalize(gl_FrontFacing ? normal : -normal);
    vec3 col = toonColour(toonTerms(N0, eyePos, upEye, textured, own, height));
    vec3 V = normalize(-eyePos);
    if (textured && length(eyePos) < 8.0 && abs(dot(N0, V)) < 0.25 && length(fwidth(N0)) > 0.02) col = kShade;
    gl_FragColor = vec4(col, (textured ? tex.a : 1.0) * gl_Color.a);
#endif
}
