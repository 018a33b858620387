#version 120
// Target 0: normal packed into 0..1, alpha 1 on covered pixels. Target 1: Phong-lit colour,
// alpha 1 on covered pixels. The depths are the depth buffer's. The display draws textured
// parts with black and untextured ones with white as the current colour, so the colour picks
// texture or plain mud.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

#ifdef GROUND
varying vec4 groundTexel;  // the ground's one texel, read once a vertex
#define baseTexel() groundTexel
#else
#define baseTexel() texture2D(baseMap, gl_TexCoord[0].st)
#endif

void main() {
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    gl_FragData[0] = vec4(N * 0.5 + 0.5, 1.0);

    vec3 tex = baseTexel().rgb;
    // Untextured ground is mud, whatever material the last textured part left behind.
    vec3 base = mix(tex * gl_FrontMaterial.diffuse.rgb, vec3(0.50, 0.37, 0.22), gl_Color.rgb);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    float s = d > 0.0 ? pow(max(dot(reflect(-L, N), V), 0.0), 32.0) : 0.0;
    vec3 col = base * (0.32 + 0.8 * d * gl_LightSource[0].diffuse.rgb) + vec3(0.35) * s;
    gl_FragData[1] = vec4(col, 1.0);
}
