#include "qt/HelpBrowser.h"

#include "helpviewer/ArchivePath.h"
#include "helpviewer/HelpManual.h"

#include <QDesktopServices>
#include <QTextDocument>

namespace tarn::gui {

namespace {

// Pages of the manual are addressed as chm:/path, so that Qt resolves relative links and
// pictures against the page's folder inside the file.
QString Scheme() {
    return QStringLiteral("chm");
}

QUrl TopicUrl(const std::string& topic, const QString& anchor) {
    QUrl url;
    url.setScheme(Scheme());
    url.setPath(QString::fromStdString(topic));
    if (!anchor.isEmpty()) {
        url.setFragment(anchor);
    }
    return url;
}

QByteArray PageNotFound(const QString& topic) {
    return QStringLiteral("<html><head><title>Page not found</title></head><body>"
                          "<h1>Page not found</h1><p>The help file holds no page %1.</p>"
                          "</body></html>")
        .arg(topic.toHtmlEscaped())
        .toUtf8();
}

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::Follow);
}

void HelpBrowser::ShowTopic(const std::string& topic, const QString& anchor) {
    setSource(TopicUrl(topic, anchor), QTextDocument::HtmlResource);
}

std::string HelpBrowser::Topic() const {
    return source().scheme() == Scheme() ? source().path().toStdString() : std::string();
}

void HelpBrowser::Follow(const QUrl& link) {
    const QString text = link.toString(QUrl::FullyEncoded);
    if (help::OpensOnDesktop(text.toStdString())) {
        QDesktopServices::openUrl(link);
        return;
    }
    const std::optional<std::string> topic =
        link.scheme() == Scheme() ? link.path().toStdString()
                                  : help::ResolveArchivePath(Topic(), text.toStdString());
    if (topic) {
        ShowTopic(*topic, link.fragment());
    }
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (manual_ == nullptr || url.scheme() != Scheme()) {
        return {};
    }
    const std::optional<std::string> bytes = manual_->Read(url.path().toStdString());
    if (bytes) {
        return QByteArray::fromStdString(*bytes);
    }
    return type == QTextDocument::HtmlResource ? QVariant(PageNotFound(url.path())) : QVariant();
}

} // namespace tarn::gui
