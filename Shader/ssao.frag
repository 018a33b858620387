#version 120
// Ambient occlusion: kernel offsets, each mirrored by the pixel's random vector and turned
// into the normal's hemisphere, are projected back to the screen; stored surfaces in front of
// the offset point (within range) occlude. A pixel takes every fourth offset of the 16 and the
// other three pixels of its 2 x 2 square the rest: the blur over all four gives the whole kernel
// for a quarter of the taps. White means open. Green carries the pixel's linear depth, blue its
// normal's z, alpha that it is covered, so the blur and the composite read one texture. Runs
// only on the pixels the mask pass left to it (covered, nearer than the fade).
uniform sampler2D randomMap;
uniform sampler2D posMap;     // the scene's depth buffer
uniform sampler2D normalMap;
uniform vec3 pSphere[16];
uniform mat4 projectionMatrix;

// The eye-space depth of a depth-buffer value, back through the projection.
float eyeZ(float d) {
    return -projectionMatrix[3][2] / (d * 2.0 - 1.0 + projectionMatrix[2][2]);
}

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec4 nm = texture2D(normalMap, uv);
    float nearPlane = projectionMatrix[3][2] / (projectionMatrix[2][2] - 1.0);
    float farPlane = projectionMatrix[3][2] / (projectionMatrix[2][2] + 1.0);
    float z0 = eyeZ(texture2D(posMap, uv).r);
    float depth0 = max((-z0 - nearPlane) / (farPlane - nearPlane), 1e-6);
    // The pixel's eye position, back through the projection from its depth and place.
    vec2 ndc = uv * 2.0 - 1.0;
    vec3 P = vec3((ndc.x * -z0 - projectionMatrix[2][0] * z0) / projectionMatrix[0][0],
                  (ndc.y * -z0 - projectionMatrix[2][1] * z0) / projectionMatrix[1][1], z0);
    vec3 N = normalize(nm.xyz * 2.0 - 1.0);
    vec4 rnd = texture2D(randomMap, gl_FragCoord.xy / 64.0);  // the 64 x 64 tile, repeated
    float radius = 0.45 * rnd.w;
    float occlusion = 0.0;
    int corner = int(mod(floor(gl_FragCoord.x), 2.0) + 2.0 * mod(floor(gl_FragCoord.y), 2.0));
    for (int i = 0; i < 16; i += 4) {
        vec3 r = reflect(pSphere[i + corner], rnd.xyz);
        r *= sign(dot(r, N) + 1e-4);
        vec3 S = P + r * radius;
        // A frustum's projection: x and y from x, y and z only, w = -z.
        vec2 clip = vec2(projectionMatrix[0][0] * S.x + projectionMatrix[2][0] * S.z,
                         projectionMatrix[1][1] * S.y + projectionMatrix[2][1] * S.z);
        vec2 suv = clip / -S.z * 0.5 + 0.5;
        // No geometry there reads the far plane, which is never in front of the offset point.
        float storedZ = eyeZ(texture2D(posMap, suv).r);
        float inFront = step(0.02, storedZ - S.z);
        float inRange = smoothstep(0.0, 1.0, radius / max(abs(P.z - storedZ), 1e-4));
        occlusion += inFront * inRange;
    }
    // Far away the kernel is smaller than a pixel's depth step: fade out instead of speckling.
    float ao = mix(1.0 - occlusion / 4.0, 1.0, smoothstep(0.3, 0.55, depth0));
    gl_FragColor = vec4(ao, depth0, nm.z * 2.0 - 1.0, 1.0);
}
