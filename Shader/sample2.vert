#version 120
// Eye-space position and normal for per-pixel lighting from light 0.
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
// The ground is lit once a vertex: its cells are a few pixels across, so the light barely
// changes over one, and lighting each pixel was most of the frame on a software rasteriser.
// Its one texel is read here too.
uniform sampler2D baseMap;  // left at unit 0
varying vec4 groundColour;
#include "sunrise.glsl"
#endif

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
#ifdef GROUND
    vec4 tex = texture2DLod(baseMap, gl_MultiTexCoord0.st, 0.0);
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    groundColour = vec4(sunriseLight(base, normalize(normal), eyePos), tex.a * gl_Color.a);
#endif
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
