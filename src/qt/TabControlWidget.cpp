#include "qt/TabControlWidget.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>

namespace tarn::gui {

EqualTabBar::EqualTabBar(QWidget* parent, int stripHeight)
    : QTabBar(parent), stripHeight_(stripHeight) {
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QSize EqualTabBar::tabSizeHint(int index) const {
    const int tabs = std::max(1, count());
    const int share = width() / tabs;
    // The last tab takes the pixels the division leaves over.
    const int tabWidth = index == tabs - 1 ? width() - share * (tabs - 1) : share;
    return {tabWidth, stripHeight_};
}

TabControlWidget::TabControlWidget(QWidget* parent, int stripHeight)
    : QWidget(parent), stripHeight_(stripHeight), tabBar_(new EqualTabBar(this, stripHeight)) {
    connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
        ShowPage(index);
        emit CurrentChanged(index);
    });
}

void TabControlWidget::SetTabs(const QStringList& captions) {
    const QSignalBlocker blocker(tabBar_);
    // The strip must know its width before the tabs are laid out.
    tabBar_->setGeometry(0, 0, width(), stripHeight_);
    // Pages that stay keep their controls; only pages beyond the new count go.
    while (Count() > captions.size()) {
        tabBar_->removeTab(Count() - 1);
        delete pages_.back();
        pages_.pop_back();
    }
    for (int tab = 0; tab < captions.size(); ++tab) {
        if (tab >= Count()) {
            tabBar_->addTab(captions[tab]);
            auto* page = new QWidget(this);
            page->setGeometry(rect());
            pages_.push_back(page);
        }
        tabBar_->setTabText(tab, captions[tab]);
        pages_[static_cast<std::size_t>(tab)]->setAccessibleName(captions[tab].trimmed());
    }
    tabBar_->raise();
    ShowPage(tabBar_->currentIndex());
}

QWidget* TabControlWidget::Page(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)];
}

void TabControlWidget::SetCurrent(int index) {
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(index);
    ShowPage(index);
}

void TabControlWidget::ShowPage(int index) {
    for (int page = 0; page < Count(); ++page) {
        pages_[static_cast<std::size_t>(page)]->setVisible(page == index);
    }
}

void TabControlWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    option.rect = QRect(0, stripHeight_ - overlap, width(), height() - stripHeight_ + overlap);
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = tabBar_->size();
    option.tabBarRect = tabBar_->geometry();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

void TabControlWidget::resizeEvent(QResizeEvent* /*event*/) {
    tabBar_->setGeometry(0, 0, width(), stripHeight_);
    for (QWidget* page : pages_) {
        page->setGeometry(rect());
    }
}

} // namespace tarn::gui
