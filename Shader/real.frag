#version 120
// Per-pixel Phong from light 0 on a cold, frosted palette.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    vec3 R = reflect(-L, N);
    float d = max(dot(N, L), 0.0);
    float s = d > 0.0 ? pow(max(dot(R, V), 0.0), max(gl_FrontMaterial.shininess, 24.0)) : 0.0;
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    float lum = dot(base, vec3(0.299, 0.587, 0.114));
    base = mix(base, vec3(0.70, 0.86, 1.0) * (lum * 0.8 + 0.25), 0.45);
    vec3 col = base * (vec3(0.20, 0.28, 0.40) + gl_LightSource[0].diffuse.rgb * vec3(0.85, 0.95, 1.05) * d);
    col += vec3(0.9, 0.97, 1.0) * s * 0.9;
    col += vec3(0.45, 0.75, 1.0) * pow(1.0 - max(dot(N, V), 0.0), 3.0) * 0.5;
    gl_FragColor = vec4(col, tex.a * gl_Color.a);
}
