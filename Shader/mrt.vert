#version 120
// Geometry pass: eye-space position and normal go on to the three render targets.
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
// The untextured ground reads one texel all over: read once a vertex, not once a pixel.
uniform sampler2D baseMap;  // left at unit 0
varying vec4 groundTexel;
#endif

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
#ifdef GROUND
    groundTexel = texture2DLod(baseMap, gl_MultiTexCoord0.st, 0.0);
#endif
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
