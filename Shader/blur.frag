#version 120
// The normal buffer as colours, softened by a Gaussian run once across and once down: five
// texels along `step`, read at their centres. Twice over, that is a 3 x 3 kernel of taps
// between texels (weights 1 2 1 each way) for a third of the texel reads.
uniform sampler2D normalMap;
uniform vec2 step;  // one texel of the source, across or down

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec3 sum = 4.0 * texture2D(normalMap, uv).rgb;
    sum += texture2D(normalMap, uv - 2.0 * step).rgb + texture2D(normalMap, uv - step).rgb;
    sum += texture2D(normalMap, uv + step).rgb + texture2D(normalMap, uv + 2.0 * step).rgb;
    gl_FragColor = vec4(sum / 8.0, 1.0);
}
