#version 120
// Cel bands from light 0: deep red in the shade, gold on the highlights, dark outlines.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    float band = d > 0.8 ? 1.0 : (d > 0.45 ? 0.72 : (d > 0.15 ? 0.48 : 0.28));
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    vec3 col = base * band;
    if (band < 0.3) col = mix(col, vec3(0.45, 0.04, 0.04), 0.35);
    float s = pow(max(dot(reflect(-L, N), V), 0.0), 24.0);
    if (s > 0.6) col = mix(col, vec3(1.0, 0.82, 0.15), 0.7);
    // Outlines on curved surfaces only (flat ground and backdrop at grazing angles stay clean).
    if (abs(dot(N, V)) < 0.22 && length(fwidth(N)) > 0.01) col = vec3(0.05, 0.03, 0.03);
    gl_FragColor = vec4(col, tex.a * gl_Color.a);
}
