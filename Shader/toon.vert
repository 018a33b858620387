#version 120
// Eye-space position and normal for the cel bands, and the object's up, towards which far
// surfaces are flattened.
varying vec3 normal;
varying vec3 eyePos;
varying vec3 upEye;

#ifdef GROUND
// The ground's bands are worked out once a vertex and cut each pixel: its cells are a few
// pixels across, and lighting each pixel was most of the frame on a software rasteriser.
varying vec3 groundTerms;
#include "toon.glsl"
#else
varying float height;  // of the ground: its chunks are only moved, never turned
#endif

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    upEye = gl_NormalMatrix * vec3(0.0, 1.0, 0.0);
#ifdef GROUND
    groundTerms = toonTerms(normalize(normal), eyePos, upEye, false, 0.0, gl_Vertex.y);
#else
    height = gl_Vertex.y;
#endif
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
