#version 120
// The normal buffer as colours, softened by a 3 x 3 Gaussian whose taps fall between
// texels, so linear filtering widens each to four.
uniform sampler2D normalMap;
uniform vec2 texelSize;  // one texel of the normal buffer

void main() {
    vec2 texel = 1.5 * texelSize;
    vec2 uv = gl_TexCoord[0].st;
    vec3 sum = vec3(0.0);
    float total = 0.0;
    for (int y = -1; y <= 1; ++y) {
        for (int x = -1; x <= 1; ++x) {
            float w = x == 0 && y == 0 ? 4.0 : (x == 0 || y == 0 ? 2.0 : 1.0);
            sum += texture2D(normalMap, uv + vec2(float(x), float(y)) * texel).rgb * w;
            total += w;
        }
    }
    gl_FragColor = vec4(sum / total, 1.0);
}
