#include "qt/MainWindow.h"

#include "qt/Binders.h"
#include "qt/FileDrops.h"
#include "qt/Guard.h"
#include "qt/QtPaintSurface.h"
#include "qt/TabControlWidget.h"
#include "shell/frmMain.h"

#include <QAbstractScrollArea>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace tarn::gui {

MainWindow::MainWindow(frmMain& form, const TwipsScale& scale)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      form_(form), scale_(scale) {
    setObjectName(QStringLiteral("frmMain"));
    setFixedSize(scale_.Pixels(frmMain::kClientWidth), scale_.Pixels(frmMain::kClientHeight));
    setWindowTitle(QString::fromStdString(form.Caption));

    // Containers come before the controls they hold.
    for (forms::Control* control : form.Controls()) {
        QWidget* parent = this;
        if (const forms::Control* container = control->Container()) {
            parent = widgets_.at(container);
            if (container->Kind() == forms::ControlKind::TabControl) {
                parent = static_cast<TabControlWidget*>(parent)->Page(control->TabPage());
            }
        }
        widgets_[control] = CreateBoundWidget(*control, parent, scale_);
    }
    for (const forms::ListBox* list : {&form.lstOpenFileName, &form.lstOpenFileSize}) {
        AcceptFileDrops(form, qobject_cast<QAbstractScrollArea*>(widgets_.at(list)));
    }
}

QWidget* MainWindow::WidgetFor(const forms::Control& control) const {
    const auto found = widgets_.find(&control);
    return found == widgets_.end() ? nullptr : found->second;
}

QWidget* MainWindow::WidgetNamed(const std::string& name) const {
    for (const auto& [control, widget] : widgets_) {
        if (control->Name() == name) {
            return widget;
        }
    }
    return nullptr;
}

void MainWindow::ShowCentred() {
    setWindowTitle(QString::fromStdString(form_.Caption));
    // A Wayland client cannot place itself, and asking to be activated without a token from
    // the compositor only earns a warning.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        show();
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void MainWindow::BringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::RemoveMenuItem(int position) {
    Qt::WindowFlags flags = windowFlags();
    switch (position) {
    case 6:
        flags &= ~Qt::WindowCloseButtonHint;
        break;
    case 4:
        flags &= ~Qt::WindowMaximizeButtonHint;
        break;
    case 3:
        flags &= ~Qt::WindowMinimizeButtonHint;
        break;
    default:
        return;
    }
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) {
        show();
    }
}

void MainWindow::Unload() {
    unloading_ = true;
    close();
    unloaded_ = true;
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    bool cancel = false;
    RunGuarded([this, &cancel] { form_.Form_QueryUnload(cancel); });
    if (cancel) {
        event->ignore();
        return;
    }
    event->accept();
    unloaded_ = true;
    QCoreApplication::quit();
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    RunGuarded([this, &painter] {
        QtPaintSurface surface(painter, scale_.TwipsPerPixel());
        form_.Form_Paint(surface);
    });
}

} // namespace tarn::gui
