#version 120
// The terrain's own look: 3D texture picked by height, sun lighting, beach band and fog. The
// light and the fog are worked out once a vertex: the cells are a few pixels across, so they
// barely change over one, and lighting each pixel was most of the frame on a software
// rasteriser. The texture and the bands stay per pixel.
#include "terrain.glsl"

// Fixed afternoon sun in world space (the terrain is only ever translated, never rotated).
const vec3 sun = vec3(-0.62, 0.55, 0.45);

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    // The hills are gentle; tilting the normals further makes their shape read at a glance.
    // (Normals of the very first seam row are zero: those are lit as if flat.)
    vec3 up = gl_Normal;
    vec3 n = dot(up, up) > 1e-8 ? normalize(gl_NormalMatrix * normalize(up * vec3(2.5, 1.0, 2.5)))
                                : normalize(gl_NormalMatrix * vec3(0.0, 1.0, 0.0));
    vec3 l = normalize((gl_ModelViewMatrix * vec4(normalize(sun), 0.0)).xyz);
    vec3 v = normalize(-eye.xyz);

    float diffuse = max(dot(n, l), 0.0);
    vec3 ambient = vec3(0.30, 0.33, 0.40);
    vec3 sunColour = specialLighting ? vec3(1.10, 1.02, 0.90) : vec3(0.95, 0.93, 0.88);
    lightScale = ambient + sunColour * diffuse;
    glint = vec3(0.0);
    if (specialLighting) {
        // A glint of sun on snow and sand, and a little sky light on the flanks facing away.
        vec3 h = normalize(l + v);
        glint = vec3(0.32, 0.30, 0.26) * pow(max(dot(n, h), 0.0), 28.0) * step(0.0, dot(n, l));
        lightScale += vec3(0.05, 0.07, 0.12) * (1.0 - diffuse);
    }
    fog = withFog ? smoothstep(7.0, 27.0, length(eye.xyz)) : 0.0;

    worldHeight = gl_Vertex.y;
    upness = gl_Normal.y;
    // The chunk's coordinates run i / 128 and j / 128 over 127 cells; scaling by 128 / 127
    // makes a chunk hold whole tiles (20 across, 8 along, 2.5 units each), so the pattern
    // continues across the seam between chunks.
    tileCoord = gl_MultiTexCoord0.st * vec2(2560.0 / 127.0, 1024.0 / 127.0);
    gl_Position = ftransform();
}
