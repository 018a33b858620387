#version 120
// Target 0 (one channel): linear depth between the clip planes, kept above 0 so that it marks
// covered pixels (the clear leaves 0). With the projection it gives back the eye position.
// Target 1: normal packed into 0..1, alpha 1 on covered pixels.
// Target 2: Phong-lit colour. The display draws textured parts with black and untextured
// ones with white as the current colour, so the colour picks texture or plain mud.
uniform float near;
uniform float far;
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    float depth = max((-eyePos.z - near) / (far - near), 1e-6);
    gl_FragData[0] = vec4(depth, 0.0, 0.0, 1.0);
    gl_FragData[1] = vec4(N * 0.5 + 0.5, 1.0);

    vec3 tex = texture2D(baseMap, gl_TexCoord[0].st).rgb;
    // Untextured ground is mud, whatever material the last textured part left behind.
    vec3 base = mix(tex * gl_FrontMaterial.diffuse.rgb, vec3(0.50, 0.37, 0.22), gl_Color.rgb);
    vec3 V = normalize(-eyePos);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    float s = d > 0.0 ? pow(max(dot(reflect(-L, N), V), 0.0), 32.0) : 0.0;
    vec3 col = base * (0.32 + 0.8 * d * gl_LightSource[0].diffuse.rgb) + vec3(0.35) * s;
    gl_FragData[2] = vec4(col, 1.0);
}
