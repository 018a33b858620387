#version 120
// Plain textured look; the backdrop shows its picture unlit.
uniform int useTexture;
uniform sampler2D baseMap;  // left at unit 0
varying vec3 normal;
varying vec3 eyePos;

void main() {
    vec4 tex = texture2D(baseMap, gl_TexCoord[0].st);
    if (useTexture == 1) {
        gl_FragColor = tex;
        return;
    }
    vec3 N = normalize(gl_FrontFacing ? normal : -normal);
    vec4 lp = gl_LightSource[0].position;
    vec3 L = normalize(lp.w == 0.0 ? lp.xyz : lp.xyz - eyePos);
    float d = max(dot(N, L), 0.0);
    vec3 lit = gl_FrontMaterial.ambient.rgb * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb)
             + gl_FrontMaterial.diffuse.rgb * gl_LightSource[0].diffuse.rgb * d;
    gl_FragColor = vec4(tex.rgb * gl_Color.rgb * lit, tex.a * gl_Color.a);
}
