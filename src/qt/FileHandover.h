#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <string>
#include <vector>

namespace tarn {
class frmMain;
}

namespace tarn::gui {

class MainWindow;

// Files opened with the program while it runs (the desktop starts it again with them) go to the
// running instance over the session bus: its method AddFiles(aay files, s activationToken), on
// the object "/" of the program's application id. Paths go as bytes, since file names need not
// be UTF-8.

// The token with which the desktop lets the started program come to the front, if it gave one.
// Read before Qt starts: Qt takes DESKTOP_STARTUP_ID out of the environment.
QString DesktopActivationToken();

// Hands the files to the running instance; true once it has taken them. Waits a few seconds
// for an instance that is still starting and has not yet put itself on the bus, and no longer
// for one that does not answer: that one, should it recover, finds the start gone and adds
// nothing. Paths must be absolute: the running instance has a folder of its own.
bool HandFilesOver(const std::vector<std::string>& files, const QString& activationToken);

// The running instance's end: files handed over are given to the window, which adds them as
// files named on the command line, and the window is brought to the front, once for all the
// files handed over while it was busy. Belongs to the
// window; does nothing when the bus or the name cannot be had.
class HandedOverFiles : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.tarn.tarnme.Files")
public:
    HandedOverFiles(frmMain& form, MainWindow& window, QDBusConnection bus);

    // NOLINTNEXTLINE(readability-redundant-access-specifiers): moc reads its slots section.
public slots:
    void AddFiles(const QList<QByteArray>& files, const QString& activationToken);

private:
    frmMain& form_;
    MainWindow& window_;
    // The files handed over since the last batch was given to the window, and the last token.
    std::vector<std::string> pending_;
    QByteArray token_;
    bool batchDue_ = false;
};

} // namespace tarn::gui
