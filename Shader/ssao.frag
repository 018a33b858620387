#version 120
// Ambient occlusion: 16 kernel offsets, each mirrored by the pixel's random vector and
// turned into the normal's hemisphere, are projected back to the screen; stored surfaces
// in front of the offset point (within range) occlude. White means open. Green carries the
// pixel's linear depth (0: no geometry), so the blur reads one texture instead of two.
uniform sampler2D randomMap;
uniform sampler2D posMap;
uniform sampler2D normalMap;
uniform vec3 pSphere[16];
uniform mat4 projectionMatrix;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec4 nm = texture2D(normalMap, uv);
    if (nm.a < 0.5) {
        gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);
        return;
    }
    vec4 stored0 = texture2D(posMap, uv);
    // Beyond the fade below the result is open whatever the kernel finds: skip the kernel.
    if (stored0.w >= 0.55) {
        gl_FragColor = vec4(1.0, stored0.w, 0.0, 1.0);
        return;
    }
    vec3 P = stored0.xyz;
    vec3 N = normalize(nm.xyz * 2.0 - 1.0);
    vec4 rnd = texture2D(randomMap, gl_FragCoord.xy / 64.0);  // the 64 x 64 tile, repeated
    float radius = 0.45 * rnd.w;
    float occlusion = 0.0;
    for (int i = 0; i < 16; ++i) {
        vec3 r = reflect(pSphere[i], rnd.xyz);
        r *= sign(dot(r, N) + 1e-4);
        vec3 S = P + r * radius;
        // A frustum's projection: x and y from x, y and z only, w = -z.
        vec2 clip = vec2(projectionMatrix[0][0] * S.x + projectionMatrix[2][0] * S.z,
                         projectionMatrix[1][1] * S.y + projectionMatrix[2][1] * S.z);
        vec2 suv = clip / -S.z * 0.5 + 0.5;
        vec4 stored = texture2D(posMap, suv);
        float covered = step(1e-7, stored.w);
        float inFront = step(0.02, stored.z - S.z);
        float inRange = smoothstep(0.0, 1.0, radius / max(abs(P.z - stored.z), 1e-4));
        occlusion += inFront * inRange * covered;
    }
    // Far away the kernel is smaller than a pixel's depth step: fade out instead of speckling.
    float ao = mix(1.0 - occlusion / 16.0, 1.0, smoothstep(0.3, 0.55, stored0.w));
    gl_FragColor = vec4(ao, stored0.w, 0.0, 1.0);
}
