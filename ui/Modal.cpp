#include "ui/Modal.h"

#include <utility>

namespace ui {

namespace {
ModalAnswerer& TheAnswerer() {
    static ModalAnswerer answerer;
    return answerer;
}
} // namespace

ModalAnswerer SetModalAnswerer(ModalAnswerer answerer) {
    return std::exchange(TheAnswerer(), std::move(answerer));
}

bool HasModalAnswerer() { return static_cast<bool>(TheAnswerer()); }

ModalAnswer RunModal(const ModalRequest& request, const std::function<ModalAnswer()>& real) {
    // A copy: the answerer may replace itself while it answers.
    if (ModalAnswerer answerer = TheAnswerer())
        return answerer(request);
    return real();
}

ModalRecorder::ModalRecorder() {
    previous_ = SetModalAnswerer([this](const ModalRequest& r) { return Answer(r); });
}

ModalRecorder::~ModalRecorder() { SetModalAnswerer(std::move(previous_)); }

ModalAnswer ModalRecorder::Answer(const ModalRequest& r) {
    requests_.push_back(r);
    if (whileOpen_)
        whileOpen_(r);
    if (!answers_.empty()) {
        ModalAnswer a = std::move(answers_.front());
        answers_.erase(answers_.begin());
        return a;
    }
    switch (r.kind) {
    case ModalKind::OpenFile:
    case ModalKind::SaveFile:
    case ModalKind::Form:
    case ModalKind::PrintPreview: return ModalAnswer{IDCANCEL, {}};
    case ModalKind::MessageBox: break;
    }
    if (r.defaultButton)
        return ModalAnswer{r.defaultButton, {}};
    return ModalAnswer{r.buttons.empty() ? IDOK : r.buttons.front(), {}};
}

} // namespace ui
