// Cel shading in black, red and gold. Four flat bands from the world's sun (light 1, a
// directional light); a bright glint where the light above the ship (light 0) is close. Far
// surfaces are flattened towards their up, so the distant ground is one clean band instead of
// speckle. N0 is the unit normal, upEye the object's up in eye space, own the brightness of a
// textured surface, height the ground's.
const vec3 kShade = vec3(0.10, 0.06, 0.05);
const vec3 kRed = vec3(0.80, 0.08, 0.06);
const vec3 kGold = vec3(1.00, 0.76, 0.02);
const vec3 kBright = vec3(1.00, 0.93, 0.60);

// The band's height k, and the glint's strength and its light's distance.
vec3 toonTerms(vec3 N0, vec3 eyePos, vec3 upEye, bool textured, float own, float height) {
    float dist = length(eyePos);
    vec3 N = normalize(mix(N0, normalize(upEye), smoothstep(5.0, 12.0, dist)));
    vec3 V = normalize(-eyePos);
    float d = dot(N, normalize(gl_LightSource[1].position.xyz));
    // The ground is red in the valleys and where it turns from the sun, gold higher up and on
    // slopes towards it, black in deep shade: contour-like bands. Textured parts (sky, sea,
    // objects) are shifted by their own brightness instead.
    float k = (textured ? 0.6 + 0.5 * (own - 0.5) : 0.2 + 0.4 * height) + 1.8 * (d - 0.8);
    vec3 toLight = gl_LightSource[0].position.xyz - eyePos;
    float s = pow(max(dot(reflect(-normalize(toLight), N0), V), 0.0), 24.0);
    return vec3(k, s, length(toLight));
}

vec3 toonColour(vec3 terms) {
    float k = terms.x;
    vec3 col = k > 0.78 ? kBright : (k > 0.45 ? kGold : (k > 0.15 ? kRed : kShade));
    if (terms.z < 1.0 && terms.y > 0.5) col = kBright;
    return col;
}
