#pragma once

// The Pause key, which GLUT does not deliver: a second connection to the X server watches the
// game's window for it. Without X (or before open) it never reports a press.
class PauseKey {
public:
    PauseKey() = default;
    ~PauseKey();
    PauseKey(const PauseKey&) = delete;
    PauseKey& operator=(const PauseKey&) = delete;

    // window: the X window the game draws into.
    bool open(unsigned long window);
    // Presses since the last call (read without waiting).
    int takePresses();

private:
    void* display = nullptr;
};
