#version 120
// The normal packed into 0..1, alpha 1 on covered pixels: what the geometry pass writes to
// its normal target, without the position and the lit colour nobody reads in this style.
varying vec3 normal;

void main() {
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    gl_FragColor = vec4(N * 0.5 + 0.5, 1.0);
}
