#pragma once
// Forms and the application object: title, the standard error handling, ProcessMessages,
// message boxes, and the binding of the main-thread queue to the Qt event loop.
#include <exception>
#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/Modal.h"

class QEventLoop;

namespace ui {

class TMainMenu;
class TButton;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter };
enum TFormBorderStyle { bsSizeable, bsDialog, bsSingle, bsNone };

// Modal results (the same values as the message-box button identities).
inline constexpr int mrNone = 0;
inline constexpr int mrOk = IDOK;
inline constexpr int mrCancel = IDCANCEL;
inline constexpr int mrAbort = IDABORT;
inline constexpr int mrRetry = IDRETRY;
inline constexpr int mrIgnore = IDIGNORE;
inline constexpr int mrYes = IDYES;
inline constexpr int mrNo = IDNO;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    // The top-level window; the children share the area below the menu bar.
    QWidget* Window() const { return Widget(); }
    TRect ClientRect() const override;

    // The caption is the window title.
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    // bsDialog: a fixed dialog frame; withSystemMenu false drops the title-bar buttons.
    void SetBorderStyle(TFormBorderStyle style, bool withSystemMenu = true);
    void SetClientWidth(int w);
    void SetClientHeight(int h);

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    // Enabled visible button with Default set, if any (Enter presses it).
    TButton* DefaultButton() const;

    void Show();
    void Hide();
    // Asks OnClose; an exception in it or caNone keeps the form open. Closing the main form
    // ends the application's loop.
    void Close();
    // Shows the form modally (through the modal seam) and returns its modal result.
    int ShowModal();
    void SetModalResult(int r);

    // Runs OnCreate through the error guard (Application->CreateForm calls it).
    void DoCreate();
    // Delivers a typed character as the keyboard would: key preview first, then the
    // focused control (Enter presses the default button when the focused control does not
    // take Enter).
    void KeyPress(char16_t key);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnResize;
    TCloseEvent OnClose;
    TKeyPressEvent OnKeyPress;

protected:
    void CaptionChanged() override;

private:
    friend class FormWindow;
    friend class KeyFilter;
    // Key preview and the default button; returns true when the key is used up.
    bool PreviewKey(QWidget* receiver, char16_t& key);
    void Resized();
    void ApplyPosition();
    void EndModal();

    TWindowState windowState_ = wsNormal;
    TPosition position_ = poDesigned;
    TFormBorderStyle borderStyle_ = bsSizeable;
    bool keyPreview_ = false;
    TMainMenu* menu_ = nullptr;
    QObject* menuKey_ = nullptr; // F10
    int modalResult_ = mrNone;
    bool inModal_ = false;
    QEventLoop* modalLoop_ = nullptr;
};

// Message-box flags.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;

// The request a message box with these flags makes (pure; tests use it too).
ModalRequest MessageBoxRequest(const std::string& text, const std::string& caption, unsigned flags);

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Creates the Qt application (once), makes the calling thread the main thread and
    // binds the main-thread queue to the event loop. Every control calls it on creation.
    void Initialize();

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The language of the toolkit's own texts (its print, file and message dialogs): loads
    // the catalogue qtbase_<language> of the installed Qt translations in place of the one
    // loaded before. Returns false when there is no such catalogue (the texts are English).
    bool UsePlatformLanguage(const std::string& language);

    // Creates a form owned by the application; the first becomes the main form. ref is set
    // before OnCreate runs.
    template <class T>
    void CreateForm(T*& ref) {
        Initialize();
        T* form = new T(this);
        ref = form;
        if (!mainForm_)
            mainForm_ = form;
        form->DoCreate();
    }
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }

    // Shows the main form and runs the event loop until the main form closes or Terminate.
    // Then destroys the forms.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Handles what is waiting: events, posted messages, timer ticks, hand-overs.
    void ProcessMessages();

    // Runs fn; an exception that leaves it is shown by HandleException. Returns false then.
    bool Guard(const std::function<void()>& fn);
    // The standard error box: the exception's message, captioned with the title, error icon.
    void HandleException(std::exception_ptr e);
    void ShowException(const std::string& message);

    // A message box captioned with caption ("" = the title); returns the button pressed.
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

    // The program file's full path.
    std::string ExeName() const;

private:
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool initialized_ = false;
};

// The application object (lives as long as the process).
extern TApplication* const Application;

// Runs fn through the application's error guard: every event that reaches handler code
// comes this way.
inline bool Dispatch(const std::function<void()>& fn) { return Application->Guard(fn); }

} // namespace ui
