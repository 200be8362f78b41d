#include "ui/Forms.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextEdit>
#include <QToolButton>
#include <QTranslator>

#include "runtime/MainThread.h"
#include "runtime/SysUtils.h"
#include "ui/Menus.h"
#include "ui/QtBridge.h"
#include "ui/StdCtrls.h"

namespace ui {

namespace {

std::map<QWidget*, TForm*>& Forms() {
    static std::map<QWidget*, TForm*> forms;
    return forms;
}

TForm* FormOf(QWidget* w) {
    if (!w)
        return nullptr;
    auto it = Forms().find(w->window());
    return it == Forms().end() ? nullptr : it->second;
}

std::atomic<bool> g_wakePending{false};

void DrainQueue() {
    g_wakePending.store(false);
    // An item that raises leaves the rest queued: go on after showing its error.
    while (!Application->Guard([] { rt::MainThread::ProcessPending(); })) {}
}

} // namespace

// The top-level window of a form.
class FormWindow : public QWidget {
public:
    explicit FormWindow(TForm* form) : form_(form) {}
    TForm* form_;

protected:
    void closeEvent(QCloseEvent* e) override {
        // The form decides; it hides itself when the close goes through.
        e->ignore();
        if (form_)
            form_->Close();
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (form_)
            form_->Resized();
    }
};

// Key preview and the default button for every form: sees each typed key once, at the
// widget it is sent to, before that widget.
class KeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override {
        // A release ends the key: an event made later at the same place is a new key.
        if (e->type() == QEvent::KeyRelease)
            last_ = nullptr;
        if (e->type() != QEvent::KeyPress || !obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        auto* ke = static_cast<QKeyEvent*>(e);
        // The same event travels on to the parents when a widget ignores it, and a view hands
        // it on to the editor that it opens.
        if (e == last_ && ke->timestamp() == lastTime_ && first_ && first_ != w &&
            (w->isAncestorOf(first_) || first_->isAncestorOf(w)))
            return false;
        last_ = e;
        lastTime_ = ke->timestamp();
        first_ = w;
        TForm* form = FormOf(w);
        // Delete makes no character on the class library's platform, though X11 gives it one.
        if (!form || ke->text().isEmpty() || ke->key() == Qt::Key_Delete || resending_)
            return false;
        char16_t key = ke->text().at(0).unicode();
        const char16_t typed = key;
        if (form->PreviewKey(w, key))
            return true;
        if (key != typed) {
            QKeyEvent changed(QEvent::KeyPress, ke->key(), ke->modifiers(), QString(QChar(key)),
                              ke->isAutoRepeat(), ke->count());
            // The new key goes to the widget as it is, without a second preview.
            resending_ = true;
            QCoreApplication::sendEvent(w, &changed);
            resending_ = false;
            return true;
        }
        return false;
    }

private:
    QEvent* last_ = nullptr;
    quint64 lastTime_ = 0;
    bool resending_ = false;
    QPointer<QWidget> first_;
};

void EnsureApplication() {
    static bool done = false;
    if (done)
        return;
    done = true;
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[] = "coldpoint";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives as long as the process
    }
    rt::MainThread::Adopt();
    rt::MainThread::SetWakeHook([] {
        if (g_wakePending.exchange(true))
            return;
        QMetaObject::invokeMethod(qApp, &DrainQueue, Qt::QueuedConnection);
    });
    qApp->installEventFilter(new KeyFilter(qApp));
    // Work queued before the binding.
    g_wakePending.store(true);
    QMetaObject::invokeMethod(qApp, &DrainQueue, Qt::QueuedConnection);
}

// ---- TForm ----------------------------------------------------------------------------------

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner, NewWidget<FormWindow>(this)) {
    Forms()[Widget()] = this;
    SetClickOnMouse(true);
    SetVisible(false);
    TFont f;
    Widget()->setFont(ToQFont(f));
    Widget()->resize(640, 480);
}

TForm::~TForm() {
    DestroyComponents();
    if (modalLoop_)
        modalLoop_->exit();
    Forms().erase(Widget());
    if (auto* w = static_cast<FormWindow*>(Widget()))
        w->form_ = nullptr;
    if (Application->MainForm() == this)
        Application->SetMainForm(nullptr);
}

void TForm::CaptionChanged() { Widget()->setWindowTitle(ToQ(Caption())); }

TRect TForm::ClientRect() const {
    TRect r = TWinControl::ClientRect();
    if (menu_ && menu_->MenuBar() && menu_->MenuBar()->parentWidget() == Widget())
        r.Top += menu_->MenuBar()->sizeHint().height();
    return r;
}

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (!Widget()->isVisible())
        return;
    switch (state) {
    case wsMaximized: Widget()->showMaximized(); break;
    case wsMinimized: Widget()->showMinimized(); break;
    default: Widget()->showNormal(); break;
    }
}

void TForm::SetBorderStyle(TFormBorderStyle style, bool withSystemMenu) {
    borderStyle_ = style;
    Qt::WindowFlags f = Qt::Window;
    switch (style) {
    case bsDialog:
        f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (withSystemMenu)
            f |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
        break;
    case bsNone: f = Qt::Window | Qt::FramelessWindowHint; break;
    default:
        if (!withSystemMenu)
            f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    }
    const bool shown = Widget()->isVisible();
    Widget()->setWindowFlags(f);
    if (shown)
        Widget()->show();
}

void TForm::SetClientWidth(int w) {
    const TRect r = ClientRect();
    SetWidth(Width() - r.Width() + w);
}

void TForm::SetClientHeight(int h) {
    const TRect r = ClientRect();
    SetHeight(Height() - r.Height() + h);
}

void TForm::SetMenu(TMainMenu* menu) {
    if (menu_ && menu_->MenuBar())
        menu_->MenuBar()->setParent(nullptr);
    menu_ = menu;
    if (menu_) {
        QMenuBar* bar = menu_->MenuBar();
        bar->setParent(Widget());
        bar->setGeometry(0, 0, Widget()->width(), bar->sizeHint().height());
        bar->show();
    }
    // F10 opens the menu bar's first menu wherever the focus is in the window.
    if (!menuKey_) {
        menuKey_ = new QShortcut(QKeySequence(Qt::Key_F10), Widget());
        QObject::connect(static_cast<QShortcut*>(menuKey_), &QShortcut::activated, Widget(),
                         [this] {
                             if (menu_)
                                 menu_->OpenFirst();
                         });
    }
    Realign();
}

TButton* TForm::DefaultButton() const {
    std::vector<const TWinControl*> todo{this};
    while (!todo.empty()) {
        const TWinControl* c = todo.back();
        todo.pop_back();
        for (int i = 0; i < c->ControlCount(); ++i) {
            TControl* child = c->Controls(i);
            if (auto* b = dynamic_cast<TButton*>(child)) {
                if (b->Default() && b->Enabled() && b->Widget() &&
                    b->Widget()->isVisibleTo(Widget()))
                    return b;
            }
            if (auto* w = dynamic_cast<TWinControl*>(child))
                todo.push_back(w);
        }
    }
    return nullptr;
}

void TForm::ApplyPosition() {
    QWidget* w = Widget();
    QRect area;
    if (position_ == poScreenCenter) {
        if (QScreen* s = w->screen())
            area = s->availableGeometry();
    } else if (position_ == poMainFormCenter) {
        TForm* m = Application->MainForm();
        if (m && m != this)
            area = m->Widget()->frameGeometry();
        else if (QScreen* s = w->screen())
            area = s->availableGeometry();
    }
    if (area.isValid())
        w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

void TForm::Show() {
    SetVisible(true);
    ApplyPosition();
    switch (windowState_) {
    case wsMaximized: Widget()->showMaximized(); break;
    case wsMinimized: Widget()->showMinimized(); break;
    default: Widget()->show(); break;
    }
    Realign();
    if (OnShow)
        Dispatch([&] { OnShow(this); });
}

void TForm::Hide() {
    SetVisible(false);
    Widget()->hide();
    EndModal();
}

void TForm::EndModal() {
    if (modalLoop_)
        modalLoop_->exit();
}

void TForm::Close() {
    TCloseAction action = caHide;
    if (OnClose) {
        // A handler that raises abandons the close.
        if (!Dispatch([&] { OnClose(this, action); }))
            action = caNone;
    }
    if (action == caNone)
        return;
    if (inModal_ && modalResult_ == mrNone)
        modalResult_ = mrCancel;
    if (action == caMinimize) {
        Widget()->showMinimized();
        return;
    }
    Hide();
    if (Application->MainForm() == this)
        Application->Terminate();
}

void TForm::SetModalResult(int r) {
    modalResult_ = r;
    if (inModal_ && r != mrNone)
        Hide();
}

int TForm::ShowModal() {
    ModalRequest req;
    req.kind = ModalKind::Form;
    req.caption = Caption();
    req.buttons = {IDOK, IDCANCEL};
    ModalAnswer a = RunModal(req, [this] {
        modalResult_ = mrNone;
        inModal_ = true;
        Widget()->setWindowModality(Qt::ApplicationModal);
        Show();
        QEventLoop loop;
        modalLoop_ = &loop;
        if (Widget()->isVisible() && modalResult_ == mrNone)
            loop.exec(QEventLoop::DialogExec);
        modalLoop_ = nullptr;
        inModal_ = false;
        Widget()->setWindowModality(Qt::NonModal);
        if (Widget()->isVisible())
            Hide();
        return ModalAnswer{modalResult_ == mrNone ? mrCancel : modalResult_, {}};
    });
    modalResult_ = a.button;
    return a.button;
}

void TForm::DoCreate() {
    if (OnCreate)
        Dispatch([&] { OnCreate(this); });
}

void TForm::Resized() {
    if (menu_ && menu_->MenuBar() && menu_->MenuBar()->parentWidget() == Widget())
        menu_->MenuBar()->setGeometry(0, 0, Widget()->width(),
                                      menu_->MenuBar()->sizeHint().height());
    Realign();
    if (OnResize)
        Dispatch([&] { OnResize(this); });
}

void TForm::KeyPress(char16_t key) {
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != Widget())
        target = Widget();
    int code = Qt::Key_unknown;
    if (key == u'\r')
        code = Qt::Key_Return;
    else if (key == u' ')
        code = Qt::Key_Space;
    else if (key >= u'0' && key <= u'9')
        code = Qt::Key_0 + (key - u'0');
    else if (key >= u'A' && key <= u'Z')
        code = Qt::Key_A + (key - u'A');
    else if (key >= u'a' && key <= u'z')
        code = Qt::Key_A + (key - u'a');
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(QChar(key)));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(QChar(key)));
    QCoreApplication::sendEvent(target, &release);
}

bool TForm::PreviewKey(QWidget* receiver, char16_t& key) {
    if (keyPreview_ && OnKeyPress) {
        // A handler that raises uses the key up.
        if (!Dispatch([&] { OnKeyPress(this, key); }))
            return true;
        if (key == 0)
            return true;
    }
    if (key != u'\r')
        return false;
    // Enter: a focused push button presses itself; editors that take Enter keep it;
    // elsewhere the default button is pressed.
    if (qobject_cast<QPushButton*>(receiver) || qobject_cast<QToolButton*>(receiver)) {
        static_cast<QAbstractButton*>(receiver)->click();
        return true;
    }
    for (QWidget* w = receiver; w && w != Widget(); w = w->parentWidget()) {
        if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
            qobject_cast<QAbstractItemView*>(w))
            return false;
    }
    if (TButton* b = DefaultButton()) {
        b->Click();
        return true;
    }
    return false;
}

// ---- message boxes --------------------------------------------------------------------------

ModalRequest MessageBoxRequest(const std::string& text, const std::string& caption,
                               unsigned flags) {
    ModalRequest r;
    r.kind = ModalKind::MessageBox;
    r.caption = caption;
    r.text = text;
    switch (flags & 0xF) {
    case MB_OKCANCEL: r.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: r.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: r.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: r.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: r.buttons = {IDRETRY, IDCANCEL}; break;
    default: r.buttons = {IDOK}; break;
    }
    switch (flags & 0xF0) {
    case MB_ICONERROR: r.icon = ModalIcon::Error; break;
    case MB_ICONQUESTION: r.icon = ModalIcon::Question; break;
    case MB_ICONWARNING: r.icon = ModalIcon::Warning; break;
    case MB_ICONINFORMATION: r.icon = ModalIcon::Information; break;
    default: r.icon = ModalIcon::None; break;
    }
    const std::size_t def = (flags & 0xF00) >> 8;
    r.defaultButton = def < r.buttons.size() ? r.buttons[def] : r.buttons.front();
    return r;
}

namespace {

QMessageBox::StandardButton ToStandard(int id) {
    switch (id) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

int FromStandard(int b, int fallback) {
    switch (b) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return fallback;
    }
}

} // namespace

// Shows a message-box request as a real box (used by every message box of the layer).
ModalAnswer ShowRealMessageBox(const ModalRequest& r) {
    QMessageBox box;
    box.setWindowTitle(ToQ(r.caption));
    box.setText(ToQ(r.text));
    switch (r.icon) {
    case ModalIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case ModalIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case ModalIcon::Information: box.setIcon(QMessageBox::Information); break;
    case ModalIcon::Question: box.setIcon(QMessageBox::Question); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    QMessageBox::StandardButtons set;
    for (int id : r.buttons)
        set |= ToStandard(id);
    box.setStandardButtons(set);
    if (r.defaultButton)
        box.setDefaultButton(ToStandard(r.defaultButton));
    const int cancel = r.buttons.size() == 1 ? r.buttons.front() : IDCANCEL;
    const int res = box.exec();
    return ModalAnswer{FromStandard(res, cancel), {}};
}

// ---- TApplication ---------------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    if (initialized_)
        return;
    initialized_ = true;
    EnsureApplication();
}

void TApplication::SetTitle(const std::string& title) { title_ = title; }

bool TApplication::UsePlatformLanguage(const std::string& language) {
    Initialize();
    static QTranslator* loaded = nullptr;
    if (loaded) {
        QCoreApplication::removeTranslator(loaded);
        delete loaded;
        loaded = nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + ToQ(language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    loaded = translator.release();
    QCoreApplication::installTranslator(loaded);
    return true;
}

void TApplication::Run() {
    Initialize();
    terminated_ = false;
    if (mainForm_)
        mainForm_->Show();
    if (!terminated_ && mainForm_)
        QApplication::exec();
    DestroyComponents();
    mainForm_ = nullptr;
}

void TApplication::Terminate() {
    terminated_ = true;
    if (QCoreApplication::instance())
        QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
    Initialize();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    DrainQueue();
}

bool TApplication::Guard(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void TApplication::HandleException(std::exception_ptr e) {
    std::string message;
    try {
        std::rethrow_exception(e);
    } catch (const rt::Exception& ex) {
        message = ex.Message();
    } catch (const std::exception& ex) {
        message = ex.what();
    } catch (...) {
        message = "Unknown exception";
    }
    ShowException(message);
}

void TApplication::ShowException(const std::string& message) {
    MessageBox(message, title_, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    Initialize();
    std::string cap = caption;
    if (cap.empty())
        cap = title_.empty() ? std::filesystem::path(ExeName()).stem().string() : title_;
    const ModalRequest r = MessageBoxRequest(text, cap, flags);
    return RunModal(r, [&] { return ShowRealMessageBox(r); }).button;
}

std::string TApplication::ExeName() const {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

TApplication* const Application = new TApplication();

} // namespace ui
