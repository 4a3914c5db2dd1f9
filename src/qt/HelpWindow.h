#pragma once

#include "helpviewer/HelpManual.h"

#include <QRect>
#include <QWidget>
#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QVariant;

namespace tarn::gui {

class HelpBrowser;

// The program's own help window for its CHM manual: Contents and Index (with a field that
// narrows it) on the left, the page on the right, Back, Forward and Home above. It is an
// ordinary window beside the main one; closing it only hides it, so that it comes back with
// its size, place and page, and it never keeps the program running.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    HelpWindow();
    ~HelpWindow() override;

    // Shows the manual in `helpFile` at its default topic, or brings the window to the front
    // as it was when it already shows that file. A file that cannot be read is named in a
    // message in the window, and read again next time.
    void Present(const std::string& helpFile);

    HelpBrowser* Browser() const { return browser_; }
    QTreeWidget* ContentsTree() const { return contents_; }
    QListWidget* IndexList() const { return index_; }
    QLineEdit* IndexFilter() const { return filter_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Load(const std::string& helpFile);
    void FillContents();
    void FillIndex();
    void ShowProblem();
    void FilterIndex(const QString& typed);
    void OpenFirstIndexMatch();
    // Shows the place an entry of the contents or the index leads to.
    void ShowPlace(const QVariant& place);

    std::unique_ptr<help::HelpManual> manual_;
    QPushButton* back_;
    QPushButton* forward_;
    QPushButton* home_;
    QTabWidget* tabs_;
    QTreeWidget* contents_;
    QListWidget* index_;
    QLineEdit* filter_;
    HelpBrowser* browser_;
    QRect lastPlace_;
};

} // namespace tarn::gui
