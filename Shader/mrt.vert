#version 120
// Geometry pass: eye-space position and normal go on to the three render targets.
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
