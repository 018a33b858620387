#version 120
// Caribbean sun: warm key from light 0, turquoise sky fill from above, saturated colours.
uniform int useOnlyTexture;
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    if (useOnlyTexture == 1) {
        gl_FragColor = tex;
        return;
    }
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    vec3 H = normalize(L + V);
    float s = d > 0.0 ? pow(max(dot(N, H), 0.0), 48.0) : 0.0;
    vec3 up = normalize(gl_NormalMatrix * vec3(0.0, 1.0, 0.0));
    float sky = dot(N, up) * 0.5 + 0.5;
    vec3 ambient = mix(vec3(0.30, 0.22, 0.12), vec3(0.20, 0.48, 0.55), sky);
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    vec3 col = base * (vec3(1.25, 1.0, 0.68) * d + ambient) + vec3(1.0, 0.9, 0.6) * s * 0.6;
    float lum = dot(col, vec3(0.299, 0.587, 0.114));
    col = mix(vec3(lum), col, 1.3);
    gl_FragColor = vec4(clamp(col, 0.0, 1.0), tex.a * gl_Color.a);
}
