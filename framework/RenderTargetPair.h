#pragma once

class FBO;
class Logger;
class Texture;
class TextureLoader;

// Two float rectangle textures behind one framebuffer with depth, for full-screen passes.
class RenderTargetPair {
public:
    RenderTargetPair(TextureLoader* textureLoader, Logger* logger, int width, int height);
    ~RenderTargetPair();
    RenderTargetPair(const RenderTargetPair&) = delete;
    RenderTargetPair& operator=(const RenderTargetPair&) = delete;

    void bindAndClear(int attachment);
    void unbind();
    Texture* getTexture0() const { return texture0; }
    Texture* getTexture1() const { return texture1; }
    void beginScreenPass();
    void endScreenPass();

private:
    int width;
    int height;
    TextureLoader* textureLoader;
    Logger* logger;
    FBO* frameBuffer;
    Texture* texture0;
    Texture* texture1;
};
