#version 120
// One quad over the 512 x 1 target; the fragment shader does the work per pixel.
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
