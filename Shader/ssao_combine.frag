#version 120
// The blurred occlusion, filtered up from its half size to the window's: shown alone (grey) or
// darkening the lit colour. The normal target's alpha is 0 where there is no geometry.
uniform sampler2D colorMap;
uniform sampler2D normalMap;
uniform sampler2D SSAOMap;
uniform float onlySSAO;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec4 nm = texture2D(normalMap, uv);
    bool covered = nm.a > 0.5;
    float ao = texture2D(SSAOMap, uv).r;
    if (onlySSAO > 0.5) {
        float grey = covered ? ao * ao : 1.0;
        gl_FragColor = vec4(grey, grey, grey, 1.0);
        return;
    }
    if (!covered) discard;  // no geometry: the window's clear colour stays
    // The normal buffer softens the darkening on surfaces facing the viewer.
    vec3 n = nm.xyz * 2.0 - 1.0;
    float darkening = (0.15 + 0.85 * ao * ao);
    darkening = mix(darkening, 1.0, 0.15 * max(n.z, 0.0));
    vec3 col = texture2D(colorMap, uv).rgb;
    gl_FragColor = vec4(col * darkening, 1.0);
}
