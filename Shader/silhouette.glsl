// Grey shading from light 0: the surface's brightness from its colour and the light. N is the
// unit normal, eyePos the eye-space position.
float silhouetteGrey(vec3 base, vec3 N, vec3 eyePos) {
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    return smoothstep(0.02, 0.95, dot(base, vec3(0.299, 0.587, 0.114)) * (0.35 + 0.85 * d));
}
