#version 120
// Cel shading in black, red and gold. Four flat bands from the world's sun (light 1, a
// directional light); a bright glint where the light above the ship (light 0) is close; dark
// rims on near textured shapes (the objects). Far surfaces are flattened towards their up, so
// the distant ground is one clean band instead of speckle.
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;
varying vec3 upEye;
varying float height;

const vec3 kShade = vec3(0.10, 0.06, 0.05);
const vec3 kRed = vec3(0.80, 0.08, 0.06);
const vec3 kGold = vec3(1.00, 0.76, 0.02);
const vec3 kBright = vec3(1.00, 0.93, 0.60);

void main() {
    // Untextured geometry (the ground) has one texture coordinate all over: its shade then
    // comes from the light alone, not from whatever texel happens to be there.
#ifdef GROUND
    vec4 tex = vec4(1.0);
    const bool textured = false;
#else
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    bool textured = length(fwidth(gl_TexCoord[0].st)) > 1e-4;
#endif
    vec3 base = textured ? tex.rgb * gl_FrontMaterial.diffuse.rgb : vec3(0.5);
    float own = dot(base, vec3(0.30, 0.59, 0.11));

    float dist = length(eyePos);
    vec3 N0 = normalize(gl_FrontFacing ? normal : -normal);
    vec3 N = normalize(mix(N0, normalize(upEye), smoothstep(5.0, 12.0, dist)));
    vec3 V = normalize(-eyePos);
    float d = dot(N, normalize(gl_LightSource[1].position.xyz));

    // The ground is red in the valleys and where it turns from the sun, gold higher up and on
    // slopes towards it, black in deep shade: contour-like bands. Textured parts (sky, sea,
    // objects) are shifted by their own brightness instead.
    float k = (textured ? 0.6 + 0.5 * (own - 0.5) : 0.2 + 0.4 * height) + 1.8 * (d - 0.8);
    vec3 col = k > 0.78 ? kBright : (k > 0.45 ? kGold : (k > 0.15 ? kRed : kShade));

    vec3 toLight = gl_LightSource[0].position.xyz - eyePos;
    float s = pow(max(dot(reflect(-normalize(toLight), N0), V), 0.0), 24.0);
    if (length(toLight) < 1.0 && s > 0.5) col = kBright;

    if (textured && dist < 8.0 && abs(dot(N0, V)) < 0.25 && length(fwidth(N0)) > 0.02) col = kShade;
    gl_FragColor = vec4(col, (textured ? tex.a : 1.0) * gl_Color.a);
}
