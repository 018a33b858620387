#version 120
// Object position for the noise lookup, eye position so the colours drift as the camera moves.
varying vec3 normal;
varying vec3 eyePos;
varying vec3 objPos;

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    objPos = gl_Vertex.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
