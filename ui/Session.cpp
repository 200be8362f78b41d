#include "ui/Session.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

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

struct TSessionSave::Impl {
    QMetaObject::Connection commit;
    QMetaObject::Connection state;
};

TSessionSave::TSessionSave(std::function<void()> save) : impl_(std::make_unique<Impl>()) {
    Application->Initialize();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return;
    auto run = [save](QSessionManager&) { Dispatch(save); };
    impl_->commit = QObject::connect(app, &QGuiApplication::commitDataRequest, run);
    impl_->state = QObject::connect(app, &QGuiApplication::saveStateRequest, run);
}

TSessionSave::~TSessionSave() {
    QObject::disconnect(impl_->commit);
    QObject::disconnect(impl_->state);
}

} // namespace ui
