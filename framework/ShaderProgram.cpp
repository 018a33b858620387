#include "framework/ShaderProgram.h"

#include <cstdio>
#include <iostream>
#include <vector>

#include "framework/Logger.h"
#include "platform/ReadFile.h"

namespace {
const char* const kLogRuler = "=================================================";
}

ShaderProgram::ShaderProgram(Logger* logger)
    : vertexShader(0), fragmentShader(0), program(0), logger(logger) {
    logger->log(std::string(kLogRuler) + "\n");
    logger->log("Shader debugging: ");
    logger->log(kLogRuler);
    std::printf("\n");
    std::printf("Shader debugging: \n");
    std::printf("-----------------------------------------------------------------\n");
}

ShaderProgram::~ShaderProgram() { release(); }

namespace {

// The defines go right after the #version line, which must come before anything else.
std::string withDefines(const std::string& source, const std::string& defines) {
    if (defines.empty()) return source;
    const size_t version = source.find("#version");
    if (version == std::string::npos) return defines + source;
    const size_t lineEnd = source.find('\n', version);
    if (lineEnd == std::string::npos) return source + "\n" + defines;
    return source.substr(0, lineEnd + 1) + defines + source.substr(lineEnd + 1);
}

}  // namespace

void ShaderProgram::load(std::string vertexPath, std::string fragmentPath, const std::string& defines) {
    if (vertexPath.empty() || fragmentPath.empty()) {
        // Leave whatever was loaded before untouched: an earlier program keeps working.
        if (vertexPath.empty()) {
            logger->log("No vertex shader file found!");
            std::printf("No vertex shader file found!\n");
        }
        if (fragmentPath.empty()) {
            logger->log("No fragment shader file found!");
            std::printf("No fragment shader file found!\n");
        }
        return;
    }
    if (vertexShader != 0 || fragmentShader != 0 || program != 0) release();
    ++loads;

    vertexShader = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);

    const std::string vertexSource = withDefines(readSource(vertexPath), defines);
    const std::string fragmentSource = withDefines(readSource(fragmentPath), defines);
    const GLchar* vertexText = vertexSource.c_str();
    const GLchar* fragmentText = fragmentSource.c_str();
    glShaderSource(vertexShader, 1, &vertexText, nullptr);
    glShaderSource(fragmentShader, 1, &fragmentText, nullptr);
    glCompileShader(vertexShader);
    glCompileShader(fragmentShader);

    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);

    printProgramInfoLog(program);
    // The linked program is all that draws; the driver keeps a shader object's compiled form
    // as long as the object lives, some 5 MB over all the game's programs.
    releaseShaders();
}

// A line #include "name" takes in the file of that name beside the shader, so that the stages
// and programs that light alike share one text. One level only, and only a plain name: a
// shared piece includes nothing, and no path leads out of the shader folder.
std::string ShaderProgram::readSource(const std::string& path) {
    std::string text = readFile(path);
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    const std::string directive = "#include \"";
    for (size_t at = text.find(directive); at != std::string::npos; at = text.find(directive, at)) {
        const size_t nameStart = at + directive.size();
        const size_t nameEnd = text.find('"', nameStart);
        const size_t lineEnd = text.find('\n', at);
        if (nameEnd == std::string::npos || (lineEnd != std::string::npos && nameEnd > lineEnd)) break;
        const std::string name = text.substr(nameStart, nameEnd - nameStart);
        std::string piece;
        if (!name.empty() && name.find('/') == std::string::npos && name.find("..") == std::string::npos)
            piece = readFile(folder + name);
        else
            std::printf("Not a shader piece beside %s: %s \n", path.c_str(), name.c_str());
        const size_t end = lineEnd == std::string::npos ? text.size() : lineEnd;
        text.replace(at, end - at, piece);
        at += piece.size();
    }
    return text;
}

std::string ShaderProgram::readFile(std::string fileName) {
    logger->log(fileName);
    std::printf("Load %s \n", fileName.c_str());

    // Read in one go: joining a long file line by line costs time in the square of its lines.
    files::ReadResult file = files::readRegularFile(fileName, files::kTextLimit);
    if (!file.ok()) {
        logger->log("Could not open file: " + fileName);
        std::printf("Could not open shader file: %s \n", fileName.c_str());
        return std::string();
    }
    // As if each line were put behind a newline: the text starts with one and has none at the
    // end (an empty file stays empty).
    std::string& text = file.data;
    if (text.empty()) return text;
    if (text.back() == '\n') text.pop_back();
    return text.insert(0, 1, '\n');
}

void ShaderProgram::printProgramInfoLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        std::cout << std::endl << "  ====== SHADER PROGRAM INFO ====== " << std::endl;
    }
    std::vector<GLchar> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    if (length > 0) {
        GLsizei written = 0;
        glGetProgramInfoLog(program, length, &written, buffer.data());
    }
    std::printf("%s\n", buffer.data());
}

int ShaderProgram::getUniformLocation(std::string name) {
    if (program == 0) {
        logger->log("No active program object found!");
        std::printf("No active shader program object found!\n");
        return -1;
    }
    const int location = glGetUniformLocation(program, name.c_str());
    if (location == -1) {
        logger->log("Could't compile shader code or load variable: " + name);
        std::printf("Could't compile shader code or load shader variable: %s \n", name.c_str());
    }
    return location;
}

void ShaderProgram::setUniform1i(int location, int value) { glUniform1i(location, value); }

void ShaderProgram::setUniform1f(int location, float value) { glUniform1f(location, value); }

void ShaderProgram::setUniform4f(int location, float a, float b, float c, float d) {
    glUniform4f(location, a, b, c, d);
}

void ShaderProgram::use() { glUseProgram(program); }

void ShaderProgram::unuse() { glUseProgram(0); }

void ShaderProgram::release() {
    releaseShaders();
    if (program != 0) {
        glDeleteProgram(program);
        program = 0;
    }
}

void ShaderProgram::releaseShaders() {
    if (vertexShader != 0) {
        glDetachShader(program, vertexShader);
        glDeleteShader(vertexShader);
        vertexShader = 0;
    }
    if (fragmentShader != 0) {
        glDetachShader(program, fragmentShader);
        glDeleteShader(fragmentShader);
        fragmentShader = 0;
    }
}
