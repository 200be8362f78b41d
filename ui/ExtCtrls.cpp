#include "ui/ExtCtrls.h"

#include <stdexcept>

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

// ---- TPanel ---------------------------------------------------------------------------------

namespace {
// A frame that writes its caption in the middle, under its children.
class PanelFrame : public QFrame {
public:
    void SetCaption(const QString& caption) { caption_ = caption; }

protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        if (caption_.isEmpty())
            return;
        QPainter p(this);
        p.drawText(contentsRect(), Qt::AlignCenter, caption_);
    }

private:
    QString caption_;
};
} // namespace

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner, NewWidget<PanelFrame>()) {
    Widget()->resize(185, 41);
    SetClickOnMouse(true);
    ApplyBevel();
}

TPanel::~TPanel() = default;

QFrame* TPanel::Frame() const { return static_cast<QFrame*>(Widget()); }

void TPanel::SetBevelOuter(TPanelBevel b) {
    outer_ = b;
    ApplyBevel();
}

void TPanel::SetBevelInner(TPanelBevel b) {
    inner_ = b;
    ApplyBevel();
}

void TPanel::ApplyBevel() {
    const TPanelBevel b = outer_ != bvNone ? outer_ : inner_;
    if (b == bvNone) {
        Frame()->setFrameStyle(QFrame::NoFrame);
        return;
    }
    Frame()->setFrameStyle(QFrame::Panel | (b == bvRaised ? QFrame::Raised : QFrame::Sunken));
    Frame()->setLineWidth(outer_ != bvNone && inner_ != bvNone ? 2 : 1);
}

void TPanel::CaptionChanged() {
    static_cast<PanelFrame*>(Frame())->SetCaption(ToQ(Caption()));
    Frame()->update();
}

void TPanel::ColorChanged() { TControl::ColorChanged(); }

// ---- TRadioGroup ----------------------------------------------------------------------------

class TRadioGroup::Items_ : public TStrings {
public:
    explicit Items_(TRadioGroup* g) : group_(g) {}
    int Count() const override { return list_.Count(); }
    std::string Get(int i) const override { return list_.Get(i); }
    void Put(int i, const std::string& s) override {
        list_.Put(i, s);
        group_->Rebuild();
    }
    int Add(const std::string& s) override {
        const int i = list_.Add(s);
        group_->Rebuild();
        return i;
    }
    void Clear() override {
        list_.Clear();
        group_->Rebuild();
    }
    void Delete(int i) override {
        list_.Delete(i);
        group_->Rebuild();
    }

private:
    TRadioGroup* group_;
    TStringList list_;
};

TRadioGroup::TRadioGroup(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QGroupBox>()) {
    Widget()->resize(185, 105);
    items_ = std::make_unique<Items_>(this);
    group_ = new QButtonGroup(Widget());
    new QGridLayout(Widget());
    QObject::connect(group_, &QButtonGroup::idClicked, Widget(), [this](int id) { Picked(id); });
}

TRadioGroup::~TRadioGroup() = default;

TStrings& TRadioGroup::Items() { return *items_; }

QGroupBox* TRadioGroup::GroupBox() const { return static_cast<QGroupBox*>(Widget()); }

void TRadioGroup::CaptionChanged() { GroupBox()->setTitle(ToQ(Caption())); }

void TRadioGroup::FontChanged() {
    TControl::FontChanged();
    for (QAbstractButton* b : group_->buttons())
        b->setFont(ToQFont(Font()));
}

void TRadioGroup::Rebuild() {
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    auto* grid = static_cast<QGridLayout*>(Widget()->layout());
    const int n = items_->Count();
    const int rows = (n + columns_ - 1) / columns_;
    for (int i = 0; i < n; ++i) {
        auto* b = new QRadioButton(ToQ(items_->Get(i)), Widget());
        group_->addButton(b, i);
        grid->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    if (itemIndex_ >= n)
        itemIndex_ = -1;
    SetItemIndex(itemIndex_);
}

void TRadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= items_->Count())
        index = -1;
    const bool changed = index != itemIndex_;
    itemIndex_ = index;
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons())
        b->setChecked(group_->id(b) == index);
    group_->setExclusive(true);
    if (changed && index >= 0)
        Click();
}

void TRadioGroup::Picked(int index) {
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    Click();
}

// ---- TImage ---------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TControl(AOwner, NewWidget<QLabel>()) {
    Widget()->resize(105, 105);
    Label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetClickOnMouse(true);
}

QLabel* TImage::Label() const { return static_cast<QLabel*>(Widget()); }

void TImage::SetStretch(bool on) { Label()->setScaledContents(on); }

bool TImage::LoadFromFile(const std::string& path) {
    QPixmap p;
    if (!p.load(ToQ(path)))
        return false;
    Label()->setPixmap(p);
    return true;
}

void TImage::ShowProgramIcon() {
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    Label()->setPixmap(icon.pixmap(32, 32));
}

bool TImage::Empty() const { return Label()->pixmap().isNull(); }

// ---- TTimer ---------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    EnsureApplication();
    timer_ = new QTimer();
    // The handler runs from a posted call: the timer's own dispatch is over by then, so a
    // nested loop inside the handler delivers the next tick.
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Post(); });
    Update();
}

TTimer::~TTimer() { delete timer_; }

void TTimer::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    Update();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_)
        return;
    interval_ = ms;
    Update();
}

void TTimer::Update() {
    if (enabled_ && interval_ > 0)
        timer_->start(static_cast<int>(interval_));
    else
        timer_->stop();
}

void TTimer::Post() {
    if (posted_)
        return;
    posted_ = true;
    QMetaObject::invokeMethod(
        timer_,
        [this] {
            posted_ = false;
            Tick();
        },
        Qt::QueuedConnection);
}

bool TTimer::Tick() {
    if (!enabled_ || interval_ == 0 || !OnTimer)
        return false;
    ++depth_;
    Dispatch([&] { OnTimer(this); });
    --depth_;
    return true;
}

} // namespace ui
