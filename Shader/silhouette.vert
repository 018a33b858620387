#version 120
// Eye-space position and normal for per-pixel lighting from light 0.
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
// The ground's grey is worked out once a vertex: its cells are a few pixels across, and
// lighting each pixel was most of the frame on a software rasteriser. Its one texel is read
// here too. The silhouettes stay per pixel.
uniform sampler2D baseMap;  // left at unit 0
varying float groundGrey;
#include "silhouette.glsl"
#endif

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
#ifdef GROUND
    vec3 base = texture2DLod(baseMap, gl_MultiTexCoord0.st, 0.0).rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    groundGrey = silhouetteGrey(base, normalize(normal), eyePos);
#endif
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
