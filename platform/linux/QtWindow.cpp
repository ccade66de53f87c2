// The main window on Qt: a fixed-size top-level widget laid out in pixels from the definition.
#include "platform/linux/QtWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <stdexcept>

#include "platform/linux/QtControls.h"
#include "platform/linux/QtFonts.h"
#include "platform/linux/QtText.h"
#include "platform/TabOrder.h"

namespace zrflash::platform::linux_port {

class QtMainWidget final : public QWidget {
public:
    explicit QtMainWidget(QtWindow& owner)
        : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
          owner_(owner) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        if (owner_.HandleClose()) {
            event->accept();
        } else {
            event->ignore();
        }
    }

private:
    QtWindow& owner_;
};

QtWindow::QtWindow(const WindowDefinition& definition, std::function<void()> onClosed,
                   std::shared_ptr<QtDispatchGate> gate)
    : definition_(definition),
      onClosed_(std::move(onClosed)),
      gate_(std::move(gate)),
      widget_(std::make_unique<QtMainWidget>(*this)) {
    Build();
}

QtWindow::~QtWindow() {
    controls_.clear();
    widget_.reset();
}

QWidget* QtWindow::Widget() const { return widget_.get(); }

void QtWindow::Build() {
    widget_->setWindowTitle(ToQString(definition_.caption));
    widget_->setFont(FontOf(definition_.font));
    // Pixels as designed: neither the user nor the toolkit resizes the client area.
    widget_->setFixedSize(definition_.clientWidth, definition_.clientHeight);
    for (const auto& control : definition_.controls) {
        QWidget* parent = control.parent.empty() ? widget_.get() : WidgetNamed(control.parent);
        if (parent == nullptr) throw std::logic_error("control " + control.name + " before its parent");
        QWidget* created = CreateControl(control, parent);
        created->setObjectName(QString::fromStdString(control.name));
        created->setFont(FontOf(control.font));
        created->setGeometry(control.left, control.top, control.width, control.height);
        // Hints are off for the window: only the controls that ask for one get a tooltip.
        if (control.showHint && !control.hint.empty()) created->setToolTip(ToQString(control.hint));
        created->setEnabled(control.enabled);
        if (!Focusable(control.kind)) created->setFocusPolicy(Qt::NoFocus);
        if (control.kind == ControlKind::Label) created->adjustSize();
        widgets_[control.name] = created;
    }
    SetTabOrder();
}

QWidget* QtWindow::CreateControl(const ControlDefinition& control, QWidget* parent) {
    const QString text = ToQString(control.text);
    switch (control.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            controls_[control.name] = std::make_unique<QtPushButton>(button);
            return button;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(text, parent);
            box->setChecked(control.checked);
            controls_[control.name] = std::make_unique<QtCheckBox>(box);
            return box;
        }
        case ControlKind::GroupBox: {
            auto* box = new QGroupBox(text, parent);
            controls_[control.name] = std::make_unique<QtGroupBox>(box);
            return box;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            controls_[control.name] = std::make_unique<QtLabel>(label);
            return label;
        }
        case ControlKind::EditBox: {
            auto* edit = new QLineEdit(text, parent);
            controls_[control.name] = std::make_unique<QtEditBox>(edit);
            return edit;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            controls_[control.name] = std::make_unique<QtProgressBar>(bar, control.rangeMin, control.rangeMax,
                                                                      control.position);
            return bar;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(parent);
            controls_[control.name] = std::make_unique<QtListBox>(list, control.itemHeightPx);
            return list;
        }
    }
    throw std::logic_error("unknown control kind");
}

// Tab visits the controls in tab order, a container's children in its place; Qt passes over
// disabled widgets by itself, and reaches the ones below the visible area like any other.
void QtWindow::SetTabOrder() {
    std::vector<QWidget*> chain;
    for (const auto* control : TabSequence(definition_)) chain.push_back(WidgetNamed(control->name));
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

std::u16string QtWindow::Caption() const { return FromQString(widget_->windowTitle()); }

void QtWindow::SetCaption(std::u16string_view caption) { widget_->setWindowTitle(ToQString(caption)); }

void QtWindow::Show() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        widget_->move(area.center() - QPoint(definition_.clientWidth / 2, definition_.clientHeight / 2));
    }
    widget_->show();
}

Control* QtWindow::Find(const std::string& name) {
    auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second.get();
}

QWidget* QtWindow::WidgetNamed(const std::string& name) const {
    auto found = widgets_.find(name);
    return found == widgets_.end() ? nullptr : found->second;
}

// The close handler must not start inside another handler; the close is put off, not dropped.
bool QtWindow::HandleClose() {
    if (closed_) return true;
    if (gate_ != nullptr && gate_->Holding()) {
        QWidget* widget = widget_.get();
        gate_->Defer(widget, [widget] { widget->close(); });
        return false;
    }
    if (onClose_) onClose_();
    closed_ = true;
    if (onClosed_) onClosed_();
    return true;
}

}  // namespace zrflash::platform::linux_port
