// The platform's records in tests: a frame the renderer writes, the restore
// bytes and a byte buffer's contents as strings, and scopes that give a
// test's blocks back.
#pragma once

#include <string>

#include "platform/crt/memory.h"
#include "platform/keyboard/line_editor.h"
#include "platform/model/screen_buffer.h"
#include "platform/terminal/terminal_render.h"

// A byte buffer's bytes as a string.
inline std::string buffer_text(const ByteBuffer& buffer) {
    if (buffer.bytes == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(buffer.bytes), buffer.length);
}

// The bytes of one frame of the screen, as terminal_render_frame writes them.
inline std::string render_frame_text(TerminalRender* render, const ScreenBuffer* screen) {
    RenderOutput out{};
    terminal_render_frame(render, screen, &out);
    std::string text = buffer_text(out.bytes);
    byte_buffer_free(&out.bytes);
    return text;
}

// The bytes that hand the terminal back to the shell.
inline std::string render_restore_text(const TerminalRender* render, const ScreenBuffer* screen) {
    char bytes[RENDER_RESTORE_CAPACITY];
    return std::string(bytes, terminal_render_restore(render, screen, bytes));
}

// The bytes that set an attribute's colours.
inline std::string render_colours_text(uint8_t attribute) {
    char bytes[16];
    return std::string(bytes, terminal_render_colours(attribute, bytes));
}

// Gives a test's screen buffer, line editor or renderer its blocks back when
// the test ends, however it ends.
struct ScreenScope {
    ScreenBuffer* screen;
    ~ScreenScope() { screen_free(screen); }
};
struct EditorScope {
    LineEditor* editor;
    ~EditorScope() { line_editor_init(editor); }
};
struct RenderScope {
    TerminalRender* render;
    ~RenderScope() { terminal_render_init(render); }
};

// A fresh screen buffer of width x height and a fresh line editor, both
// given back when the test ends.
struct EditorDesk {
    ScreenBuffer screen{};
    LineEditor editor{};
    ScreenScope screen_scope{&screen};
    EditorScope editor_scope{&editor};
    EditorDesk(int32_t width, int32_t height) {
        screen_init(&screen, width, height);
        line_editor_init(&editor);
    }
};
