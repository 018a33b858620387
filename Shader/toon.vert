#version 120
// Eye-space position and normal for the cel bands, and the object's up, towards which far
// surfaces are flattened.
varying vec3 normal;
varying vec3 eyePos;
varying vec3 upEye;
varying float height;  // of the ground: its chunks are only moved, never turned

void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    eyePos = p.xyz;
    normal = gl_NormalMatrix * gl_Normal;
    upEye = gl_NormalMatrix * vec3(0.0, 1.0, 0.0);
    height = gl_Vertex.y;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
