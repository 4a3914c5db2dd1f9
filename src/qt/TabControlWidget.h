#pragma once

#include <QStringList>
#include <QTabBar>
#include <QWidget>
#include <vector>

namespace tarn::gui {

// A tab bar whose tabs share its width equally, as the tabs of a fixed-width tab control do.
class EqualTabBar : public QTabBar {
public:
    EqualTabBar(QWidget* parent, int stripHeight);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    int stripHeight_;
};

// A tab control whose pages cover the whole control, tab strip included, so that the controls
// of a page are placed in the coordinates of the tab control itself. The strip lies on top of
// the pages; only the current page is shown.
class TabControlWidget : public QWidget {
    Q_OBJECT
public:
    TabControlWidget(QWidget* parent, int stripHeight);

    void SetTabs(const QStringList& captions);
    int Count() const { return static_cast<int>(pages_.size()); }
    QWidget* Page(int index) const;
    QTabBar* TabBar() const { return tabBar_; }
    int Current() const { return tabBar_->currentIndex(); }
    // Shows a page without announcing it.
    void SetCurrent(int index);
    int StripHeight() const { return stripHeight_; }

signals:
    // The user switched to another tab.
    void CurrentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPage(int index);

    int stripHeight_;
    EqualTabBar* tabBar_;
    std::vector<QWidget*> pages_;
};

} // namespace tarn::gui
