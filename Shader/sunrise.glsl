// Sunrise light: a low warm key light, a cool violet fill and a golden rim, then a warm
// colour grade. N is the unit normal, eyePos the eye-space position.
vec3 sunriseGrade(float lum) {
    vec3 shadow = vec3(0.20, 0.10, 0.32);
    vec3 mid = vec3(0.98, 0.45, 0.22);
    vec3 high = vec3(1.00, 0.93, 0.62);
    return lum < 0.5 ? mix(shadow, mid, lum * 2.0) : mix(mid, high, lum * 2.0 - 1.0);
}

vec3 sunriseLight(vec3 base, vec3 N, vec3 eyePos) {
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    float fill = max(dot(N, -L), 0.0);
    vec3 col = base * (vec3(1.15, 0.82, 0.55) * d + vec3(0.30, 0.22, 0.42) * fill + vec3(0.22, 0.16, 0.20));
    col += vec3(1.0, 0.55, 0.2) * pow(1.0 - max(dot(N, V), 0.0), 3.0) * 0.55;
    float lum = dot(col, vec3(0.299, 0.587, 0.114));
    return mix(col, sunriseGrade(clamp(lum, 0.0, 1.0)), 0.45);
}
