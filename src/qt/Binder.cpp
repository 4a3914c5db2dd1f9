// The part every binder shares: the widget's place, state, tooltip, font and colours, its
// accessible name, and the mouse and keyboard input that reaches the model.
#include "qt/AccessibleControls.h"
#include "qt/Binders.h"
#include "qt/FontMapper.h"
#include "qt/Guard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace tarn::gui {

using forms::Property;

void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, forms::Color color) {
    palette.setColor(QPalette::Active, role, ToQColor(color));
    palette.setColor(QPalette::Inactive, role, ToQColor(color));
}

QColor ToQColor(forms::Color color) {
    return QColor(static_cast<int>(color & 0xFFU), static_cast<int>((color >> 8U) & 0xFFU),
                  static_cast<int>((color >> 16U) & 0xFFU));
}

Binder::Binder(forms::Control& control, QWidget* widget, const TwipsScale& scale)
    : QObject(widget), scale_(scale), control_(control), widget_(widget) {
    widget->setObjectName(QString::fromStdString(control.Name()));
    following_ = control.PropertyChanged.Connect([this](Property property) { Apply(property); });
    focusing_ = control.FocusRequested.Connect([this] { widget_->setFocus(Qt::MouseFocusReason); });
}

void Binder::ApplyAll() {
    for (Property property :
         {Property::Items, Property::Caption, Property::Geometry, Property::Enabled,
          Property::Visible, Property::ToolTip, Property::Font, Property::Colors, Property::Value,
          Property::ListIndex, Property::Tab, Property::Picture}) {
        Apply(property);
    }
}

void Binder::Apply(Property property) {
    const QSignalBlocker blocker(widget_);
    switch (property) {
    case Property::Geometry:
        ApplyGeometry();
        break;
    case Property::Enabled:
        widget_->setEnabled(control_.Enabled());
        break;
    case Property::Visible:
        widget_->setVisible(control_.Visible());
        break;
    case Property::ToolTip:
        widget_->setToolTip(QString::fromStdString(control_.ToolTipText()));
        widget_->setAccessibleDescription(QString::fromStdString(control_.ToolTipText()));
        break;
    case Property::Font:
        widget_->setFont(MapFont(control_.GetFont(), scale_));
        break;
    case Property::Colors: {
        QPalette palette = widget_->palette();
        SetEnabledColor(palette, QPalette::WindowText, control_.ForeColor());
        SetEnabledColor(palette, QPalette::ButtonText, control_.ForeColor());
        widget_->setPalette(palette);
        break;
    }
    default:
        break;
    }
    ApplyOwn(property);
    if (property == Property::Caption || property == Property::ToolTip) {
        UpdateAccessibleName();
    }
}

void Binder::ApplyGeometry() {
    if (control_.Kind() == forms::ControlKind::Line) {
        return;
    }
    widget_->setGeometry(
        scale_.Rect(control_.Left(), control_.Top(), control_.Width(), control_.Height()));
}

void Binder::UpdateAccessibleName() {
    widget_->setAccessibleName(AccessibleNameOf(control_));
}

void Binder::WatchMouse(QWidget* target) {
    target->setMouseTracking(true);
    target->installEventFilter(this);
}

bool Binder::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        if (widget_->isEnabled()) {
            RunGuarded([this] { control_.MouseMove.Raise(); });
        }
        break;
    case QEvent::MouseButtonPress:
        pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = clickOnRelease_ && pressed_ && mouse->button() == Qt::LeftButton &&
                           widget_->rect().contains(mouse->position().toPoint());
        pressed_ = false;
        if (click) {
            RaiseClick();
        }
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (clickOnRelease_ &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            RaiseClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void Binder::RaiseClick() {
    if (widget_->isEnabled()) {
        RunGuarded([this] { control_.Click.Raise(); });
    }
}

Binder* BinderOf(const QWidget* widget) {
    return widget == nullptr ? nullptr
                             : widget->findChild<Binder*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace tarn::gui
