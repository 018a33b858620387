// Phong-lit mud and textures for the occlusion styles. base is the surface colour, N the unit
// normal, eyePos the eye-space position.
vec3 mudLight(vec3 base, vec3 N, vec3 eyePos) {
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    float s = d > 0.0 ? pow(max(dot(reflect(-L, N), V), 0.0), 32.0) : 0.0;
    return base * (0.32 + 0.8 * d * gl_LightSource[0].diffuse.rgb) + vec3(0.35) * s;
}

// Untextured ground is mud, whatever material the last textured part left behind: the display
// draws textured parts with black and untextured ones with white as the current colour.
vec3 mudBase(vec3 texel) { return mix(texel * gl_FrontMaterial.diffuse.rgb, vec3(0.50, 0.37, 0.22), gl_Color.rgb); }
