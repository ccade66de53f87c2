// What tests need to see of the Qt window and do to it, without including Qt themselves.
#include "platform/linux/testing/QtWindowProbe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include "platform/linux/QtControls.h"
#include "platform/linux/QtText.h"

namespace zrflash::platform::linux_port::testing {
namespace {

QString TextOf(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    return {};
}

}  // namespace

std::optional<WidgetFacts> QtWindowProbe::Facts(const std::string& name) const {
    const QWidget* widget = window_.WidgetNamed(name);
    if (widget == nullptr) return std::nullopt;
    WidgetFacts facts;
    const QRect geometry = widget->geometry();
    facts.left = geometry.left();
    facts.top = geometry.top();
    facts.width = geometry.width();
    facts.height = geometry.height();
    const QString text = TextOf(widget);
    facts.text = FromQString(text);
    facts.toolTip = FromQString(widget->toolTip());
    const QFont font = widget->font();
    facts.requestedFamily = font.families().isEmpty() ? font.family().toStdString() : font.families().front().toStdString();
    facts.renderedFamily = QFontInfo(font).family().toStdString();
    facts.pixelSize = font.pixelSize();
    facts.bold = font.bold();
    facts.enabled = OwnEnabled(*widget);
    facts.textFits = QFontMetrics(font).horizontalAdvance(text) <= geometry.width();
    return facts;
}

int QtWindowProbe::ClientWidth() const { return window_.Widget()->width(); }
int QtWindowProbe::ClientHeight() const { return window_.Widget()->height(); }

bool QtWindowProbe::FixedSize() const {
    const QWidget* widget = window_.Widget();
    return widget->minimumSize() == widget->maximumSize();
}

std::vector<std::string> QtWindowProbe::TabChain() const {
    std::vector<std::string> chain;
    QWidget* root = window_.Widget();
    QWidget* current = root->nextInFocusChain();
    for (int guard = 0; current != root && guard < 1000; ++guard, current = current->nextInFocusChain()) {
        if ((current->focusPolicy() & Qt::TabFocus) && current->isEnabled() && !current->objectName().isEmpty()) {
            chain.push_back(current->objectName().toStdString());
        }
    }
    return chain;
}

int QtWindowProbe::ListRowHeight(const std::string& name) const {
    auto* list = qobject_cast<QListWidget*>(window_.WidgetNamed(name));
    if (list == nullptr || list->count() == 0) return 0;
    return list->visualItemRect(list->item(0)).height();
}

bool QtWindowProbe::Click(const std::string& name) {
    auto* button = qobject_cast<QAbstractButton*>(window_.WidgetNamed(name));
    if (button == nullptr || !button->isEnabled()) return false;
    button->click();
    return true;
}

bool QtWindowProbe::PressSpaceOn(const std::string& name) {
    QWidget* widget = window_.WidgetNamed(name);
    if (widget == nullptr || !widget->isEnabled()) return false;
    widget->setFocus(Qt::TabFocusReason);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
    return true;
}

void QtWindowProbe::Close() { window_.Widget()->close(); }

void QtWindowProbe::CloseAfter(int milliseconds) {
    QPointer<QWidget> widget = window_.Widget();
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, [widget] {
        if (!widget.isNull()) widget->close();
    });
}

class PaintRecorder::Filter final : public QObject {
public:
    explicit Filter(QWidget* widget) : widget_(widget) {
        if (widget_ != nullptr) widget_->installEventFilter(this);
    }
    ~Filter() override {
        if (!widget_.isNull()) widget_->removeEventFilter(this);
    }

    int paints = 0;
    int lastValue = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint) {
            ++paints;
            if (auto* bar = qobject_cast<QProgressBar*>(widget_.data())) lastValue = bar->value();
        }
        return false;
    }

private:
    QPointer<QWidget> widget_;
};

PaintRecorder::PaintRecorder(QtWindow& window, const std::string& name)
    : filter_(std::make_unique<Filter>(window.WidgetNamed(name))) {}

PaintRecorder::~PaintRecorder() = default;

int PaintRecorder::Paints() const { return filter_->paints; }

int PaintRecorder::LastPaintedValue() const { return filter_->lastValue; }

bool QtWindowProbe::Grab(const std::string& path) const {
    return window_.Widget()->grab().save(QString::fromStdString(path), "PNG");
}

bool RunLoopUntil(const std::function<bool()>& condition, int timeoutMs) {
    if (condition()) return true;
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || elapsed.elapsed() >= timeoutMs) loop.quit();
    });
    check.start();
    loop.exec();
    return condition();
}

void RunLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void PressOkOnMessageBoxAfter(int milliseconds, SeenMessageBox& seen) {
    QTimer::singleShot(milliseconds, [&seen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible()) continue;
            seen = {true, FromQString(box->text()), FromQString(box->windowTitle()),
                    box->icon() == QMessageBox::Critical};
            box->button(QMessageBox::Ok)->click();
            return;
        }
    });
}

}  // namespace zrflash::platform::linux_port::testing
