#version 120
// The terrain's own look: 3D texture picked by height, sun lighting, beach band and fog.
varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 sunDirection;
varying float worldHeight;
varying float upness;
varying vec2 tileCoord;

// Fixed afternoon sun in world space (the terrain is only ever translated, never rotated).
const vec3 sun = vec3(-0.62, 0.55, 0.45);

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz;
    // The hills are gentle; tilting the normals further makes their shape read at a glance.
    // (Normals of the very first seam row are zero; those stay zero.)
    vec3 n = gl_Normal;
    if (dot(n, n) > 1e-8) n = normalize(n * vec3(2.5, 1.0, 2.5));
    eyeNormal = gl_NormalMatrix * n;
    sunDirection = (gl_ModelViewMatrix * vec4(normalize(sun), 0.0)).xyz;
    worldHeight = gl_Vertex.y;
    upness = gl_Normal.y;
    // The chunk's coordinates run i / 128 and j / 128 over 127 cells; scaling by 128 / 127
    // makes a chunk hold whole tiles (20 across, 8 along, 2.5 units each), so the pattern
    // continues across the seam between chunks.
    tileCoord = gl_MultiTexCoord0.st * vec2(2560.0 / 127.0, 1024.0 / 127.0);
    gl_Position = ftransform();
}
