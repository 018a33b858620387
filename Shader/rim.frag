#version 120
// The band around an object, in the colour that stands out from the object where it touches
// it: dark beside a bright part, light beside a dark one (a lit body is darker at its edge
// than in its middle, so the edge is what counts). The object's pixels are read in a small
// patch just inside its outline, towards its centre, in the frame as drawn so far (`frame`);
// the patch is wide enough that the colour changes in stretches, not pixel by pixel.
uniform sampler2D frame;
uniform vec4 view;  // the picture's place in the window: x, y, width, height
uniform float width;
uniform vec3 darkRim;
uniform vec3 lightRim;
varying vec2 centre;

void main() {
    vec2 here = gl_FragCoord.xy - view.xy;
    vec2 inward = centre - here;
    float toCentre = length(inward);
    vec2 along = toCentre > 0.0 ? inward / toCentre : vec2(0.0);
    vec2 across = vec2(-along.y, along.x);
    float sum = 0.0;
    for (int i = 0; i < 9; ++i) {
        float depth = min(toCentre, width + 1.5 * float(i / 3) + 1.0);
        vec2 at = here + along * depth + across * 2.0 * float(i - i / 3 * 3 - 1);
        vec3 c = texture2D(frame, at / view.zw).rgb;
        sum += dot(pow(c, vec3(2.2)), vec3(0.2126, 0.7152, 0.0722));
    }
    // Equal contrast either way at a luminance of about 0.18.
    gl_FragColor = vec4(sum / 9.0 > 0.18 ? darkRim : lightRim, 1.0);
}
