#version 120
// Grey shading with dark silhouettes where the surface turns away from the eye.
uniform float strength;
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
    vec4 tex = baseTexel();
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    vec3 base = tex.rgb * gl_Color.rgb * gl_FrontMaterial.diffuse.rgb;
    float lum = dot(base, vec3(0.299, 0.587, 0.114)) * (0.35 + 0.85 * d);
    lum = smoothstep(0.02, 0.95, lum);
    // Only curved surfaces get silhouettes: a flat backdrop seen at a grazing angle stays grey.
    float facing = abs(dot(N, V));
    float curved = smoothstep(0.004, 0.03, length(fwidth(N)));
    float edge = 1.0 - (1.0 - smoothstep(strength - 0.08, strength + 0.04, facing)) * curved;
    gl_FragColor = vec4(vec3(lum * edge), 1.0);
}
