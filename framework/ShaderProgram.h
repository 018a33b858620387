#pragma once
#include <GL/glew.h>
#include <string>

class Logger;

// One GLSL program of a vertex and a fragment shader read from text files.
class ShaderProgram {
public:
    explicit ShaderProgram(Logger* logger);
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // defines (lines of "#define NAME VALUE") go after each source's #version line.
    void load(std::string vertexPath, std::string fragmentPath, const std::string& defines = std::string());
    static void printProgramInfoLog(GLuint program);
    int getUniformLocation(std::string name);
    void setUniform1i(int location, int value);
    void setUniform1f(int location, float value);
    void setUniform4f(int location, float a, float b, float c, float d);
    void use();
    void unuse();
    void release();

    GLuint getProgram() const { return program; }
    // How many programs were loaded in this process: a flight must load none (the timedemo
    // says how many it saw).
    static int loadCount() { return loads; }

private:
    void releaseShaders();
    std::string readSource(const std::string& path);
    std::string readFile(std::string fileName);

    GLuint vertexShader;
    GLuint fragmentShader;
    GLuint program;
    Logger* logger;
    static inline int loads = 0;
};
