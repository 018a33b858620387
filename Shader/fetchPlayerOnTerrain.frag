#version 120
// Pixel k: the terrain height under playerPosition[k] = (x, z), measured from the top-down
// eye, i.e. terrain y minus eye y.
uniform vec2 playerPosition[512];
uniform mat4 projMatrix;
uniform mat4 viewMatrix;
uniform sampler2D positionTexture;  // unit 0, left at its default

void main() {
    int k = int(gl_FragCoord.x);
    vec2 ground = playerPosition[k];
    // The view looks along the world y axis, so any height maps to the same pixel.
    vec4 clip = projMatrix * viewMatrix * vec4(ground.x, 0.0, ground.y, 1.0);
    vec2 uv = clip.xy / clip.w * 0.5 + 0.5;
    vec3 surface = texture2D(positionTexture, uv).xyz;
    // The texel holds the surface relative to the eye in eye space; the world y of that offset
    // is its dot product with the world y axis as seen in eye space (column 1 of the view).
    float height = dot(viewMatrix[1].xyz, surface);
    gl_FragColor = vec4(height, height, height, 1.0);
}
