#pragma once

#include <QTextBrowser>
#include <QUrl>
#include <string>

namespace tarn::help {
class HelpManual;
}

namespace tarn::gui {

// Shows the pages of a help file: every page, picture and style sheet comes from inside it.
// Links between its pages and to anchors are followed here; web and e-mail links go to the
// desktop; links of any other kind are not followed. A page the file lacks shows as a plain
// "Page not found" page.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    // The manual to read from; it must outlive its use here (nothing while it is null).
    void SetManual(const help::HelpManual* manual) { manual_ = manual; }
    // Shows a topic of the manual ("/page.html"), at an anchor when one is given.
    void ShowTopic(const std::string& topic, const QString& anchor = {});
    // The topic shown now, without its anchor.
    std::string Topic() const;

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void Follow(const QUrl& link);

    const help::HelpManual* manual_ = nullptr;
};

} // namespace tarn::gui
