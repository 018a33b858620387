#version 120
// Depth-aware separable blur of the occlusion. The x pass writes the blurred occlusion only;
// the y pass shows it alone (grey) or darkens the lit colour with it. Linear depth in the
// position target's w weighs the taps (0 there means no geometry).
uniform sampler2D colorMap;
uniform sampler2D posMap;
uniform sampler2D normalMap;
uniform sampler2D SSAOMap;
uniform float mapResX;
uniform float mapResY;
uniform float onlySSAO;
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
    bool covered = centerDepth > 0.0;
    if (onlySSAO > 0.5) {
        float grey = covered ? ao * ao : 1.0;
        gl_FragColor = vec4(grey, grey, grey, 1.0);
        return;
    }
    if (xDirection > 0.5) {
        gl_FragColor = vec4(ao, ao, ao, 1.0);
        return;
    }
    if (!covered) discard;  // no geometry: the window's clear colour stays
    // The normal buffer softens the darkening on surfaces facing the viewer.
    vec3 n = texture2D(normalMap, uv).xyz * 2.0 - 1.0;
    float darkening = (0.15 + 0.85 * ao * ao);
    darkening = mix(darkening, 1.0, 0.15 * max(n.z, 0.0));
    vec3 col = texture2D(colorMap, uv).rgb;
    gl_FragColor = vec4(col * darkening, 1.0);
}
