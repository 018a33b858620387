#version 120
uniform sampler3D tex3D;
uniform float waterLevel;
#include "terrain.glsl"

// Height range of the generated hills that the volume's slices are spread over.
const float lowGround = -1.1;
const float highGround = 1.1;

void main() {
    float level = clamp((worldHeight - lowGround) / (highGround - lowGround), 0.0, 1.0);
    // Steep flanks look like the ground one band higher up.
    float steep = clamp(1.0 - upness, 0.0, 1.0);
    level = clamp(level + steep * 3.0, 0.0, 1.0);

    vec3 base;
    if (withTextures) {
        // Keep half a slice away from both ends so low ground never wraps to the top slice.
        // The volume holds the grain the ground shows near the camera too, its slices read
        // again five times finer (terrain/GroundGrain.h): one read, not two.
        float slice = mix(0.07, 0.93, level);
        base = texture3D(tex3D, vec3(tileCoord, slice)).rgb;
    } else {
        vec3 meadow = vec3(0.27, 0.47, 0.20);
        vec3 heath = vec3(0.46, 0.50, 0.27);
        vec3 rock = vec3(0.52, 0.47, 0.40);
        base = mix(meadow, heath, smoothstep(0.45, 0.75, level));
        base = mix(base, rock, smoothstep(0.78, 0.95, level));
    }

    if (beach) {
        float above = worldHeight - waterLevel;
        vec3 sand = vec3(0.94, 0.86, 0.64);
        vec3 wetSand = vec3(0.70, 0.60, 0.44);
        vec3 shore = mix(wetSand, sand, smoothstep(0.0, 0.12, above));
        base = mix(base, shore, 1.0 - smoothstep(0.2, 0.6, above));
    }

    vec3 colour = base * lightScale + glint;
    if (withFog) colour = mix(colour, vec3(0.80, 0.86, 0.93), fog);
    gl_FragColor = vec4(min(colour, vec3(1.0)), 1.0);
}
