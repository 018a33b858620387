// Light from light 0 and a bright rim: what the colour is multiplied by, and what is added.
// N is the unit normal (either side), eyePos the eye-space position.
vec2 funkyLight(vec3 N, vec3 eyePos) {
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    vec3 V = normalize(-eyePos);
    float rim = pow(1.0 - abs(dot(N, V)), 4.0);
    return vec2(0.35 + 0.75 * d, rim * 0.35);
}
