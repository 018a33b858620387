#version 120
// The normals alone, for showing them: the eye-space normal goes on to the fragment.
varying vec3 normal;

void main() {
    normal = gl_NormalMatrix * gl_Normal;
    gl_Position = ftransform();
}
