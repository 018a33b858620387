#version 120
// Depth-aware blur of the occlusion in one direction, at the occlusion's own size. Linear depth
// in the position target's w weighs the taps (0 there means no geometry). A program of its own:
// a software rasteriser runs both sides of a branch, so the blur must not share a shader with
// the full-size composite.
uniform sampler2D posMap;
uniform sampler2D SSAOMap;
uniform float mapResX;
uniform float mapResY;
uniform float xDirection;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec2 dir = xDirection > 0.5 ? vec2(1.0 / mapResX, 0.0) : vec2(0.0, 1.0 / mapResY);
    float centerDepth = texture2D(posMap, uv).w;
    float sum = 0.0;
    float total = 0.0;
    for (int i = -4; i <= 4; ++i) {
        vec2 suv = uv + dir * float(i);
        float depth = texture2D(posMap, suv).w;
        float w = exp(-float(i * i) / 8.0) / (1.0 + abs(depth - centerDepth) * 300.0);
        w *= depth > 0.0 ? 1.0 : 0.05;
        sum += texture2D(SSAOMap, suv).r * w;
        total += w;
    }
    float ao = sum / total;
    gl_FragColor = vec4(ao, ao, ao, 1.0);
}
