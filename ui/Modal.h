#pragma once
// The one road of every modal box and dialog (message boxes, file dialogs, modal forms,
// print preview). In the program the real dialog runs with its own event loop, so timers,
// posted messages and hand-overs go on behind it. A test registers an answerer that
// decides the outcome at once, without any dialog.
#include <functional>
#include <string>
#include <vector>

namespace ui {

enum class ModalKind { MessageBox, OpenFile, SaveFile, Form, PrintPreview };

enum class ModalIcon { None, Error, Warning, Information, Question };

// Button identities (the values of the message-box results).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct ModalRequest {
    ModalKind kind = ModalKind::MessageBox;
    std::string caption;
    std::string text; // message text; for a file dialog its title
    ModalIcon icon = ModalIcon::None;
    std::vector<int> buttons; // IDOK, IDCANCEL, ... in the order shown
    int defaultButton = 0;    // one of buttons, 0 = the first
    std::string fileName;     // file dialogs: the name proposed
};

struct ModalAnswer {
    int button = IDOK;    // the button pressed; a form's modal result
    std::string fileName; // file dialogs: the file chosen ("" = cancelled)
};

using ModalAnswerer = std::function<ModalAnswer(const ModalRequest&)>;

// Installs the answerer (empty: real dialogs again). Returns the previous one.
ModalAnswerer SetModalAnswerer(ModalAnswerer answerer);
bool HasModalAnswerer();

// Shows a box: with an answerer, asks it; otherwise runs real() (which shows the dialog
// modally and returns what the user did).
ModalAnswer RunModal(const ModalRequest& request, const std::function<ModalAnswer()>& real);

// Test helper: answers boxes in turn and records every request. When its queue of answers
// is empty it presses the default button (the first) and, for a file dialog, cancels.
// An optional hook runs inside each box before the answer (to drive timers or the queue
// while the box is "open").
class ModalRecorder {
public:
    ModalRecorder();
    ~ModalRecorder();
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    void Queue(ModalAnswer answer) { answers_.push_back(std::move(answer)); }
    void QueueButton(int button) { Queue(ModalAnswer{button, {}}); }
    void QueueFile(const std::string& fileName) { Queue(ModalAnswer{IDOK, fileName}); }
    void SetWhileOpen(std::function<void(const ModalRequest&)> hook) {
        whileOpen_ = std::move(hook);
    }

    const std::vector<ModalRequest>& Requests() const { return requests_; }
    int Count() const { return static_cast<int>(requests_.size()); }
    const ModalRequest& Last() const { return requests_.back(); }
    void Clear() { requests_.clear(); }

private:
    ModalAnswer Answer(const ModalRequest& r);

    std::vector<ModalRequest> requests_;
    std::vector<ModalAnswer> answers_;
    std::function<void(const ModalRequest&)> whileOpen_;
    ModalAnswerer previous_;
};

} // namespace ui
