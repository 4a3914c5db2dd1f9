#pragma once

#include "forms/Control.h"
#include "qt/TwipsScale.h"

#include <QObject>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <string>

namespace tarn::gui {

// Keeps one widget in line with its control model, and hands the user's actions on the widget
// to the model. A binder lives as long as its widget and holds its connections to the model's
// events, so once the widget is gone they no longer reach it.
class Binder : public QObject {
    Q_OBJECT

public:
    Binder(forms::Control& control, QWidget* widget, const TwipsScale& scale);

    forms::Control& Model() const { return control_; }
    QWidget* Widget() const { return widget_; }

    // Brings the widget in line with one property of the model, without the widget announcing
    // the change back.
    void Apply(forms::Property property);
    void ApplyAll();
    // The user clicked or otherwise activated the widget; an enabled control raises Click.
    void RaiseClick();

protected:
    // The properties only this kind of control has.
    virtual void ApplyOwn(forms::Property property) = 0;
    // Mouse moves over `target` (the widget or a part of it) reach the model.
    void WatchMouse(QWidget* target);
    // A left click on the widget, or Enter or Space while it has the focus, raises the model's
    // Click (controls without a click signal).
    void RaiseClickOnRelease() { clickOnRelease_ = true; }
    bool eventFilter(QObject* watched, QEvent* event) override;

    const TwipsScale scale_;

private:
    void ApplyGeometry();
    void UpdateAccessibleName();

    forms::Control& control_;
    QWidget* widget_;
    bool clickOnRelease_ = false;
    bool pressed_ = false;
    forms::Connection following_;
    forms::Connection focusing_;
};

// Creates the widget for a control inside `parent` (the widget of its container), with its
// binder. The caller places the result; the model decides everything shown.
QWidget* CreateBoundWidget(forms::Control& control, QWidget* parent, const TwipsScale& scale);

// The binder of a widget made by CreateBoundWidget, or none.
Binder* BinderOf(const QWidget* widget);

QColor ToQColor(forms::Color color);
// The model's colour for an enabled control; a disabled one keeps the style's grey.
void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, forms::Color color);

} // namespace tarn::gui
