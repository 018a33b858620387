#version 120
// An object's far side moved outwards by `width` pixels in the picture's plane, along its
// normals and away from its centre: drawn behind the object, only a band of that width around
// its outline shows. The centre, in the picture's pixels, goes along for the colour.
uniform vec4 view;  // the picture's place in the window: x, y, width, height
uniform float width;
varying vec2 centre;

void main() {
    vec4 middle = gl_ModelViewMatrix * vec4(0.0, 0.0, 0.0, 1.0);
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec2 away = p.xy - middle.xy;
    vec2 direction = 0.3 * n.xy + (length(away) > 0.0 ? normalize(away) : vec2(0.0));
    // Scene units per pixel at this depth.
    float perPixel = 2.0 * max(-p.z, 0.01) / (gl_ProjectionMatrix[1][1] * view.w);
    if (length(direction) > 0.0) p.xy += normalize(direction) * width * perPixel;
    gl_Position = gl_ProjectionMatrix * p;
    vec4 c = gl_ProjectionMatrix * middle;
    centre = (c.xy / c.w * 0.5 + 0.5) * view.zw;
}
