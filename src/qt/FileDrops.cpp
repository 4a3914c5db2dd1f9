#include "qt/FileDrops.h"

#include "qt/Guard.h"
#include "qt/QtPlatform.h"
#include "shell/frmMain.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <utility>
#include <vector>

namespace tarn::gui {

namespace {

std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (auto path = LocalFilePath(url)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

class FileDropFilter : public QObject {
public:
    FileDropFilter(frmMain& form, QWidget* target) : QObject(target), form_(form) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
        addDropped_.setSingleShot(true);
        connect(&addDropped_, &QTimer::timeout, this, [this] {
            const std::vector<std::string> paths = std::exchange(dropped_, {});
            RunGuarded([this, &paths] { form_.AddChosenFiles(paths); });
        });
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            Answer(*drag, Wanted(drag->mimeData()));
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> paths = LocalFiles(drop->mimeData());
            const bool wanted = !paths.empty() && form_.AcceptsChosenFiles();
            Answer(*drop, wanted);
            if (wanted) {
                // Adding may show message boxes; the drag source waits until the drop returns.
                dropped_.insert(dropped_.end(), paths.begin(), paths.end());
                addDropped_.start(0);
            }
            return true;
        }
        default:
            return false;
        }
    }

private:
    bool Wanted(const QMimeData* data) const {
        return form_.AcceptsChosenFiles() && !LocalFiles(data).empty();
    }

    static void Answer(QDropEvent& event, bool wanted) {
        if (!wanted) {
            event.ignore();
            return;
        }
        // The files stay where they are: a move would let some sources delete them.
        if (event.possibleActions().testFlag(Qt::CopyAction)) {
            event.setDropAction(Qt::CopyAction);
        } else if (event.possibleActions().testFlag(Qt::LinkAction)) {
            event.setDropAction(Qt::LinkAction);
        } else {
            event.ignore();
            return;
        }
        event.accept();
    }

    frmMain& form_;
    std::vector<std::string> dropped_;
    QTimer addDropped_;
};

} // namespace

std::optional<std::string> LocalFilePath(const QUrl& url) {
    if (!url.isLocalFile()) {
        return std::nullopt;
    }
    QUrl local = url;
    if (local.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        local.setHost(QString());
    }
    // A file on another machine (file://host/...) is not this machine's /...
    if (!local.host().isEmpty()) {
        return std::nullopt;
    }
    const QString path = local.toLocalFile();
    if (!QDir::isAbsolutePath(path)) {
        return std::nullopt;
    }
    return ToNativePath(path);
}

void AcceptFileDrops(frmMain& form, QAbstractScrollArea* list) {
    // Drags arrive at the part of the list that shows the rows.
    new FileDropFilter(form, list->viewport());
}

} // namespace tarn::gui
