#version 120
// Sorts the occlusion's pixels before the kernel runs: only covered ones nearer than
// the fade (0.55 of the way to the far plane) need it. The others get their final value here,
// open (1.0) with their linear depth for the blur (0: no geometry) and their coverage in alpha,
// in all three targets, and a depth that keeps the kernel and the blur off them: a software
// rasteriser runs both sides of a branch, but it skips the pixels the depth test rejects. Open
// pixels are not darkened whatever their normal, so theirs is not read.
uniform sampler2D posMap;  // the scene's depth buffer: 1.0 where nothing was drawn
uniform mat4 projectionMatrix;

void main() {
    float d = texture2D(posMap, gl_TexCoord[0].st).r;
    float nearPlane = projectionMatrix[3][2] / (projectionMatrix[2][2] - 1.0);
    float farPlane = projectionMatrix[3][2] / (projectionMatrix[2][2] + 1.0);
    float eyeZ = -projectionMatrix[3][2] / (d * 2.0 - 1.0 + projectionMatrix[2][2]);
    float depth0 = max((-eyeZ - nearPlane) / (farPlane - nearPlane), 1e-6);
    bool covered = d < 1.0;
    vec4 open = covered ? vec4(1.0, depth0, 0.0, 1.0) : vec4(1.0, 0.0, 0.0, 0.0);
    gl_FragData[0] = open;
    gl_FragData[1] = open;
    gl_FragData[2] = open;
    gl_FragDepth = covered && depth0 < 0.55 ? 0.0 : 1.0;
}
