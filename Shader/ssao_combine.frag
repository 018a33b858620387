#version 120
// The blurred occlusion, filtered up from its own size to the window's: shown alone (grey,
// built with ONLY_SSAO) or darkening the lit colour. One texture carries the occlusion, the
// normal's z (its 8 bits keep only the part at or above 0, the part used here) and the
// coverage; the colour's alpha is 0 where there is no geometry.
uniform sampler2D colorMap;
uniform sampler2D SSAOMap;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec4 occlusion = texture2D(SSAOMap, uv);
    float ao = occlusion.r;
#ifdef ONLY_SSAO
    float grey = occlusion.a > 0.0 ? ao * ao : 1.0;
    gl_FragColor = vec4(grey, grey, grey, 1.0);
#else
    vec4 col = texture2D(colorMap, uv);
    if (col.a < 0.5) discard;  // no geometry: the window's clear colour stays
    // Surfaces facing the viewer are darkened a little less.
    float darkening = (0.15 + 0.85 * ao * ao);
    darkening = mix(darkening, 1.0, 0.15 * max(occlusion.b, 0.0));
    gl_FragColor = vec4(col.rgb * darkening, 1.0);
#endif
}
