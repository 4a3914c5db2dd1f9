#pragma once

#include "helpviewer/HelpManual.h"
#include "helpviewer/ReaderProcess.h"

#include <QRect>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QPushButton;
class QSocketNotifier;
class QTabWidget;
class QTreeWidget;
class QVariant;

namespace tarn::gui {

class HelpBrowser;

// The program's own help window for its CHM manual: Contents and Index (with a field that
// narrows it) on the left, the page on the right, Back, Forward and Home above. It is an
// ordinary window beside the main one; closing it only hides it, so that it comes back with
// its size, place and page, and it never keeps the program running.
//
// The manual is read by the help reader program (ReaderProcess.h) while the window goes on:
// it shows "Loading the manual…" until the reader's answer is whole, and the file as damaged
// when the reader fails, or sends nothing for `patience`.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(std::string readerProgram = help::ReaderProgramPath(),
                        std::chrono::milliseconds patience = help::kReaderPatience);
    ~HelpWindow() override;

    // Shows the manual in `helpFile` at its default topic, or brings the window to the front
    // as it was when it already shows or reads that file. A file that cannot be read is named
    // in a message in the window, and read again next time.
    void Present(const std::string& helpFile);

    HelpBrowser* Browser() const { return browser_; }
    QTreeWidget* ContentsTree() const { return contents_; }
    QListWidget* IndexList() const { return index_; }
    QLineEdit* IndexFilter() const { return filter_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Load(const std::string& helpFile);
    void Receive();
    void GiveUp();
    void StopReading();
    // Shows what was read of the file being loaded.
    void ShowArchive(help::ChmArchive archive);
    void FillContents();
    void FillIndex();
    void ShowProblem();
    void FilterIndex(const QString& typed);
    void OpenFirstIndexMatch();
    // Shows the place an entry of the contents or the index leads to.
    void ShowPlace(const QVariant& place);

    const std::string readerProgram_;
    // While the manual is read: the file, its reader, and what wakes the window for it.
    std::string loading_;
    std::unique_ptr<help::ReaderProcess> reader_;
    QSocketNotifier* readerOutput_ = nullptr;
    QTimer readerSilence_;
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
