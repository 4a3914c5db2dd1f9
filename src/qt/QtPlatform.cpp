#include "qt/QtPlatform.h"

#include "common/PathParts.h"
#include "journal/NameJournal.h"
#include "platform/FileOps.h"
#include "qt/FileHandover.h"
#include "qt/HelpWindow.h"
#include "qt/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <cstdlib>

namespace tarn::gui {

platform::DateTime QtClock::Now() {
    const QDateTime now = QDateTime::currentDateTime();
    return platform::DateTime(now.toMSecsSinceEpoch() +
                              static_cast<qint64>(now.offsetFromUtc()) * 1000);
}

void QtEventPump::DoEvents() {
    QCoreApplication::processEvents();
}

namespace {

QMessageBox::Icon ToQIcon(platform::MessageIcon icon) {
    switch (icon) {
    case platform::MessageIcon::Critical:
        return QMessageBox::Critical;
    case platform::MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case platform::MessageIcon::Information:
        return QMessageBox::Information;
    case platform::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The owner of a dialog: the main window while it is on screen.
QWidget* VisibleOwner(const QPointer<QWidget>& owner) {
    return owner && owner->isVisible() ? owner.data() : nullptr;
}

} // namespace

void QtNotifier::ShowMessage(const platform::MessageBoxRequest& request) {
    QMessageBox box(ToQIcon(request.Icon), QString::fromStdString(request.Title),
                    QString::fromStdString(request.Text), QMessageBox::Ok, VisibleOwner(owner_));
    // Texts carry file names, which must show as they are.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtNotifier::Beep() {
    QApplication::beep();
}

QStringList NameFiltersFor(const platform::OpenDialogRequest& request) {
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    QStringList patterns;
    for (const QString& pattern :
         QString::fromStdString(request.FilterPattern).split(separators, Qt::SkipEmptyParts)) {
        QString anyCase;
        for (const QChar c : pattern) {
            if (c.isLetter() && c.toLower() != c.toUpper()) {
                anyCase += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
            } else {
                anyCase += c;
            }
        }
        patterns.append(anyCase);
    }
    if (patterns.isEmpty()) {
        patterns.append(QStringLiteral("*"));
    }
    return {QString::fromStdString(request.FilterDescription) + QStringLiteral(" (") +
            patterns.join(QLatin1Char(' ')) + QLatin1Char(')')};
}

std::string ToNativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string QtOpenDialog::ShowOpen(const platform::OpenDialogRequest& request) {
    QFileDialog dialog(VisibleOwner(owner_), QString::fromStdString(request.Title),
                       QString::fromStdString(request.InitialFolder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setNameFilters(NameFiltersFor(request));
    // A pattern in the name box lists the matching files of the folder the dialog shows.
    if (!request.InitialFileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.InitialFileName));
    }
    if (!request.DefaultExtension.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.size() != 1) {
        return {};
    }
    return ToNativePath(QDir::toNativeSeparators(chosen.front()));
}

QtInstanceMarker::QtInstanceMarker(QString lockPath) : lockPath_(std::move(lockPath)) {}

QString QtInstanceMarker::DefaultLockPath() {
    // Beside the record of names, in the user's own folder: whichever runtime folder a start has
    // (sudo -u, env -i, cron), two starts that share the record share the lock.
    const std::string journal = NameJournal::DefaultPath();
    if (journal.empty()) {
        return {};
    }
    return QString::fromStdString(ParentFolder(journal)) + QStringLiteral("/tarnme.lock");
}

Result<bool> QtInstanceMarker::AnotherInstanceRunning() {
    if (lock_ && lock_->isLocked()) {
        return false;
    }
    if (lockPath_.isEmpty()) {
        return Status::Failure("No folder is known for its lock: no home folder is set");
    }
    const QString folder = QFileInfo(lockPath_).absolutePath();
    if (const Status made = platform::CreateFolders(folder.toStdString()); !made) {
        return made.Explained("Its lock cannot be made in " + folder.toStdString() + ": " +
                              made.Reason());
    }
    lock_ = std::make_unique<QLockFile>(lockPath_);
    if (lock_->tryLock(0)) {
        return false;
    }
    if (lock_->error() == QLockFile::LockFailedError) {
        return true;
    }
    return Status::Failure(
        "Its lock " + lockPath_.toStdString() + " cannot be made" +
        (lock_->error() == QLockFile::PermissionError ? ": Permission denied" : ""));
}

bool QtInstanceMarker::HandOver(const std::vector<std::string>& files) {
    return HandFilesOver(files, activationToken_);
}

void QtWindowHost::Attach(MainWindow* window) {
    window_ = window;
    for (int position : deleted_) {
        window->RemoveMenuItem(position);
    }
    deleted_.clear();
}

void QtWindowHost::DeleteWindowMenuItem(int position) {
    if (window_) {
        window_->RemoveMenuItem(position);
    } else {
        deleted_.push_back(position);
    }
}

void QtWindowHost::Unload() {
    if (window_) {
        window_->Unload();
    } else {
        QCoreApplication::quit();
    }
}

void QtDesktop::ShellOpen(const std::string& /*verb*/, const std::string& target,
                          platform::ShowCommand /*show*/) {
    const QString text = QString::fromStdString(target);
    const QUrl url = QDir::isAbsolutePath(text) ? QUrl::fromLocalFile(text) : QUrl(text);
    QDesktopServices::openUrl(url);
}

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

// One help window for the whole session, shown again as it was each time Help is pressed.
void QtDesktop::ShowHelp(const std::string& helpFile) {
    if (!help_) {
        help_ = std::make_unique<HelpWindow>();
    }
    help_->Present(helpFile);
}

std::string QtDesktop::ProgramFolder() {
    return ToNativePath(QCoreApplication::applicationDirPath());
}

double QtDesktop::ScreenTwipsPerPixelY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

void QtPlatform::Attach(MainWindow* mainWindow) {
    window.Attach(mainWindow);
    notifier.SetOwner(mainWindow);
    openDialog.SetOwner(mainWindow);
}

} // namespace tarn::gui
