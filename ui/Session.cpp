#include "ui/Session.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <utility>

#include "ui/Forms.h"

namespace ui {

struct TReadableWatch::Impl {
    std::unique_ptr<QSocketNotifier> notifier;
};

TReadableWatch::TReadableWatch(int fd, std::function<void()> onReadable)
    : impl_(std::make_unique<Impl>()) {
    if (fd < 0)
        return;
    Application->Initialize();
    impl_->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated,
                     [fn = std::move(onReadable)] { Dispatch(fn); });
}

TReadableWatch::~TReadableWatch() = default;

namespace {

TSessionAnswerWatch& TheWatch() {
    static TSessionAnswerWatch watch;
    return watch;
}

void Answer(QSessionManager& manager, bool saved) {
    if (TSessionAnswerWatch watch = TheWatch())
        return watch(saved);
    // What was not saved is a save that failed: the manager does not go on as if it were.
    if (!saved)
        manager.cancel();
}

} // namespace

TSessionAnswerWatch SetSessionAnswerWatch(TSessionAnswerWatch watch) {
    return std::exchange(TheWatch(), std::move(watch));
}

struct TSessionSave::Impl {
    QMetaObject::Connection commit;
    QMetaObject::Connection state;
};

TSessionSave::TSessionSave(std::function<bool()> save) : impl_(std::make_unique<Impl>()) {
    Application->Initialize();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return;
    auto run = [save](QSessionManager& manager) {
        bool saved = false;
        Dispatch([&] { saved = save(); });
        Answer(manager, saved);
    };
    impl_->commit = QObject::connect(app, &QGuiApplication::commitDataRequest, run);
    impl_->state = QObject::connect(app, &QGuiApplication::saveStateRequest, run);
}

TSessionSave::~TSessionSave() {
    QObject::disconnect(impl_->commit);
    QObject::disconnect(impl_->state);
}

} // namespace ui
