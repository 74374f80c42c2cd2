#pragma once
// What the windows need from their surroundings: modal message boxes, the
// screen cursor and the other windows. The Qt windows implement these; the
// tests record them, so no handler ever blocks without a display.

#include <string>

namespace app {

// Title of every notice, refusal and question box.
inline constexpr const char* AppTitle = "Travena";

class Messages {
public:
    virtual ~Messages() = default;
    // Modal boxes with the information and critical icons and an OK button.
    virtual void Info(const std::string& title, const std::string& text) = 0;
    virtual void Critical(const std::string& title, const std::string& text) = 0;
    // Yes/No box with the question icon; true for Yes.
    virtual bool Question(const std::string& title, const std::string& text) = 0;
};

// The main window's frame as its model sees it.
class MainHost {
public:
    virtual ~MainHost() = default;
    virtual void SetWaitCursor(bool wait) = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowBatch() = 0;
    // The parameter editor, modal; returns once it is closed.
    virtual void ShowEditor() = 0;
    virtual void CloseWindow() = 0;
    // The system clipboard's text; a host without one keeps nothing.
    virtual void SetClipboardText(const std::string& /*text*/) {}
    virtual std::string ClipboardText() { return {}; }
};

}  // namespace app
