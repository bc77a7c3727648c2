// The window, the GL context and the window messages, over SDL2.
// Nothing outside platform/ includes SDL: this header is the whole shell.
#pragma once

bool CreateGLWindow(const char* title, int width, int height, int bits, bool fullscreenflag);
void KillGLWindow();
void ReSizeGLScene(int width, int height);
int InitGL();

// Takes one pending window message without waiting and handles it as the
// window procedure does. Returns false when the queue was empty. Sets *quit
// when the message was the quit message.
bool PeekAndDispatch(bool* quit);
// Presents the back buffer.
void SwapBuffers();

// Message boxes. Icons as the game uses them.
enum class BoxIcon { exclamation, stop, information };
void MessageBoxA(const char* text, const char* caption, BoxIcon icon);
// Yes/No question; true for Yes.
bool MessageBoxYesNo(const char* text, const char* caption, BoxIcon icon);
