#version 120
varying vec4 eyePosition;

void main() {
    // Alpha 1 marks a covered pixel; uncovered ones keep the cleared (0, 0, 0, 0).
    gl_FragColor = vec4(eyePosition.xyz, 1.0);
}
