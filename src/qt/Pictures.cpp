#include "qt/Pictures.h"

#include <QFile>

// The pictures are compiled into the static library; its resources must be named once.
static void InitPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace tarn::gui {

namespace {

QString ResourcePath(const QString& name) {
    static const bool initialised = (InitPictureResources(), true);
    (void)initialised;
    return QStringLiteral(":/pictures/") + name + QStringLiteral(".png");
}

} // namespace

QPixmap MakePicture(const QString& name, QSize size) {
    if (name.isEmpty() || size.isEmpty() || !QFile::exists(ResourcePath(name))) {
        return {};
    }
    QPixmap picture(ResourcePath(name));
    if (picture.size() != size) {
        picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return picture;
}

QSize PictureSizeAt96Dpi(const QString& name) {
    const QPixmap picture(ResourcePath(name));
    return picture.size();
}

QIcon MakeWindowIcon() {
    QIcon icon;
    icon.addFile(ResourcePath(QStringLiteral("icon16")));
    icon.addFile(ResourcePath(QStringLiteral("icon")));
    return icon;
}

} // namespace tarn::gui
