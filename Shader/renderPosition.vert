#version 120
// Position pass: every pixel of the top-down view records the eye-space position of the
// terrain surface seen there.
varying vec4 eyePosition;

void main() {
    eyePosition = gl_ModelViewMatrix * gl_Vertex;
    gl_Position = ftransform();
}
