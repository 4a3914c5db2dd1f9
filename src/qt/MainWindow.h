#pragma once

#include "forms/Control.h"
#include "qt/TwipsScale.h"

#include <QWidget>
#include <map>
#include <string>

namespace tarn {
class frmMain;
}

namespace tarn::gui {

// The main window: one bound widget per control of frmMain, at the model's places. Its close
// button is governed by the window menu; a close asked for by the window manager goes through
// Form_QueryUnload and is refused while that says so. Files dropped on the two lists of the file
// list are added to it.
class MainWindow : public QWidget {
public:
    MainWindow(frmMain& form, const TwipsScale& scale);

    QWidget* WidgetFor(const forms::Control& control) const;
    // The widget of the control of that name, or none.
    QWidget* WidgetNamed(const std::string& name) const;

    // Shows the window at the centre of the screen, captioned as the form says. On Wayland the
    // compositor places and activates a new window itself.
    void ShowCentred();
    // Shows the window again if it was minimised and asks for it to be the active one.
    void BringToFront();
    // Removes what stands for a window-menu item: 6 is Close (the close button), 4 Maximize
    // and 3 Minimize; the others have no counterpart here.
    void RemoveMenuItem(int position);
    // Closes the window for good and ends the event loop.
    void Unload();
    bool Unloaded() const { return unloaded_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Each repaint draws the title into the box at the top.
    void paintEvent(QPaintEvent* event) override;

private:
    frmMain& form_;
    TwipsScale scale_;
    std::map<const forms::Control*, QWidget*> widgets_;
    bool unloading_ = false;
    bool unloaded_ = false;
};

} // namespace tarn::gui
