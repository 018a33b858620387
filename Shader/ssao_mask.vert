#version 120
// Full-screen quad given directly in clip space (-1..1), whatever the matrices are.
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
