#version 120
// Depth-aware blur of the occlusion in one direction, at the occlusion's own size. The linear
// depth the occlusion carries in green weighs the taps (0 there means no geometry) and is
// passed on for the second direction, with the normal's z in blue and the coverage in alpha
// for the composite. A program of its own: a software rasteriser runs both sides of a branch,
// so the blur must not share a shader with the full-size composite.
uniform sampler2D SSAOMap;
uniform float mapResX;
uniform float mapResY;
uniform float xDirection;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec2 dir = xDirection > 0.5 ? vec2(1.0 / mapResX, 0.0) : vec2(0.0, 1.0 / mapResY);
    vec4 center = texture2D(SSAOMap, uv);
    float sum = 0.0;
    float total = 0.0;
    for (int i = -4; i <= 4; ++i) {
        vec2 tap = texture2D(SSAOMap, uv + dir * float(i)).rg;
        float w = exp(-float(i * i) / 8.0) / (1.0 + abs(tap.g - center.g) * 300.0);
        w *= tap.g > 0.0 ? 1.0 : 0.05;
        sum += tap.r * w;
        total += w;
    }
    gl_FragColor = vec4(sum / total, center.gba);
}
