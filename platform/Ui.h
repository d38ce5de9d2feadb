#pragma once
// The user-interface port. Logic code shows messages, asks questions and opens progress
// windows only through this interface, so that every text can be checked in tests.
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Button sets, icons, default buttons and answers keep the classic message-box numbers so
// that callers can combine them the way the design describes (MB_YESNO | MB_ICONWARNING).
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONNONE = 0x0;
inline constexpr int MB_ICONSTOP = 0x10;  // also "error" / "hand"
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;  // also "exclamation"
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON1 = 0x000;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Keys that logic code may ask about (IsKeyDown).
enum class Key { Shift, Control, Escape, F };

// The modeless progress dialog with a growing text and one button.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void AppendText(const std::string& text) = 0;  // adds to the end of the text
    virtual void SetText(const std::string& text) = 0;     // replaces the whole text
    virtual std::string Text() const = 0;
    virtual void SetButtonText(const std::string& text) = 0;
    virtual void EnableButton(bool enable) = 0;
    // True once the user pressed the button (since creation or the last ResetButton).
    virtual bool ButtonPressed() const = 0;
    virtual void ResetButton() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // False for a window nobody looks at (a command-line front end): the pauses that only
    // give the reader time to see the outcome are skipped.
    virtual bool IsWatched() const { return true; }
};

class Ui {
public:
    virtual ~Ui() = default;
    // Shows a message box; `flags` combines buttons, icon and default button.
    // Returns one of MessageAnswer.
    virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
    virtual void Beep(unsigned hz, unsigned ms) = 0;
    // Lets the user interface process pending events (used while procedures poll).
    virtual void PumpMessages() = 0;
    // True on the thread whose window events PumpMessages serves: bus work started there runs
    // on a worker while this thread keeps serving them (platform/OffUiThread.h). False where
    // no window waits (a command-line front end, a scripted test, a worker thread).
    virtual bool ServesEventsHere() const { return false; }
    virtual bool IsKeyDown(Key key) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    virtual std::unique_ptr<ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                                 const std::string& buttonText) = 0;
    // Lets the user pick one entry of a list; returns its index, or -1 when nothing was picked.
    virtual int PickFromList(const std::string& caption, const std::string& prompt,
                             const std::vector<std::string>& items) = 0;
};

// The process-wide port. Until something is installed a silent default answers every
// question with its default button, so code never runs without a Ui.
Ui& GetUi();
void SetUi(Ui* ui);  // nullptr restores the silent default

// The caption used by ShowMessage: the program's name ("Tessaro" unless changed).
void SetAppCaption(const std::string& caption);
std::string AppCaption();

// Shows `text` with the application caption (the framework's plain message box).
int ShowMessage(const std::string& text, int flags = MB_OK | MB_ICONWARNING);

// Decodes the button set / default button of `flags`.
inline int ButtonsOf(int flags) { return flags & 0xF; }
inline int IconOf(int flags) { return flags & 0xF0; }
inline int DefaultOf(int flags) { return flags & 0xF00; }
// The answer a default button stands for within the given button set.
int DefaultAnswer(int flags);

// Wait cursor for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { GetUi().BeginWaitCursor(); }
    ~WaitCursor() { GetUi().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// printf-style formatting into a std::string, used for the many fixed message texts.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
