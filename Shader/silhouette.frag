#version 120
// Grey shading with dark silhouettes where the surface turns away from the eye.
uniform float strength;
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
varying float groundGrey;  // from the vertices
#else
#include "silhouette.glsl"
#endif

void main() {
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
#ifdef GROUND
    float lum = groundGrey;
#else
    vec3 base = texture2D(baseMap, gl_TexCoord[0].st).rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    float lum = silhouetteGrey(base, N, eyePos);
#endif
    // Only curved surfaces get silhouettes: a flat backdrop seen at a grazing angle stays grey.
    float facing = abs(dot(N, normalize(-eyePos)));
    float curved = smoothstep(0.004, 0.03, length(fwidth(N)));
    float edge = 1.0 - (1.0 - smoothstep(strength - 0.08, strength + 0.04, facing)) * curved;
    gl_FragColor = vec4(vec3(lum * edge), 1.0);
}
