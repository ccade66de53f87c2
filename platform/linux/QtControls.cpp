// The definition's controls as Qt widgets behind the program's control interfaces.
#include "platform/linux/QtControls.h"

#include <QEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>

#include "platform/linux/QtText.h"

namespace zrflash::platform::linux_port {
namespace {

// Fixed-height rows, as an owner-drawn Windows list box with its item height set.
class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

}  // namespace

bool OwnEnabled(const QWidget& widget) { return !widget.testAttribute(Qt::WA_ForceDisabled); }

QtPushButton::QtPushButton(QPushButton* button) : QtControl(button) {
    QObject::connect(button, &QPushButton::clicked, button, [this] {
        if (onClick_) onClick_();
    });
}

std::u16string QtPushButton::Text() const { return FromQString(widget_->text()); }
void QtPushButton::SetText(std::u16string_view text) { widget_->setText(ToQString(text)); }

QtCheckBox::QtCheckBox(QCheckBox* box) : QtControl(box) {
    QObject::connect(box, &QCheckBox::toggled, box, [this] {
        if (onClick_) onClick_();
    });
}

std::u16string QtCheckBox::Text() const { return FromQString(widget_->text()); }
void QtCheckBox::SetText(std::u16string_view text) { widget_->setText(ToQString(text)); }

class QtGroupBox::ClickFilter final : public QObject {
public:
    explicit ClickFilter(QtGroupBox& owner) : owner_(owner) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && owner_.onClick_) {
            owner_.onClick_();
        }
        return false;
    }

private:
    QtGroupBox& owner_;
};

QtGroupBox::QtGroupBox(QGroupBox* box) : QtControl(box), filter_(std::make_unique<ClickFilter>(*this)) {
    box->installEventFilter(filter_.get());
}

QtGroupBox::~QtGroupBox() { widget_->removeEventFilter(filter_.get()); }

std::u16string QtGroupBox::Text() const { return FromQString(widget_->title()); }
void QtGroupBox::SetText(std::u16string_view text) { widget_->setTitle(ToQString(text)); }

std::u16string QtLabel::Text() const { return FromQString(widget_->text()); }

void QtLabel::SetText(std::u16string_view text) {
    widget_->setText(ToQString(text));
    widget_->adjustSize();
}

std::u16string QtEditBox::Text() const { return FromQString(widget_->text()); }
void QtEditBox::SetText(std::u16string_view text) { widget_->setText(ToQString(text)); }

QtProgressBar::QtProgressBar(QProgressBar* bar, int minimum, int maximum, int position)
    : QtControl(bar), minimum_(minimum), maximum_(std::max(minimum, maximum)), position_(minimum) {
    bar->setTextVisible(false);
    SetPosition(position);
}

void QtProgressBar::SetMaximum(int maximum) {
    maximum_ = std::max(minimum_, maximum);
    position_ = std::min(position_, maximum_);
    Apply();
}

void QtProgressBar::SetPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    Apply();
}

void QtProgressBar::Apply() {
    widget_->setRange(minimum_, maximum_);
    widget_->setValue(position_);
}

QtListBox::QtListBox(QListWidget* list, int itemHeight) : QtControl(list) {
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideNone);
    // Like the Windows list box, long lines are cut at the edge; only the vertical bar scrolls.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (itemHeight > 0) list->setItemDelegate(new FixedHeightDelegate(itemHeight, list));
}

void QtListBox::Add(std::u16string_view line) { widget_->addItem(ToQString(line)); }

std::u16string QtListBox::Line(int index) const {
    const QListWidgetItem* item = widget_->item(index);
    return item == nullptr ? std::u16string() : FromQString(item->text());
}

}  // namespace zrflash::platform::linux_port
