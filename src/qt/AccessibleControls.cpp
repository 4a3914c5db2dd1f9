#include "qt/AccessibleControls.h"

#include "qt/Binders.h"

#include <QAccessibleWidget>

namespace tarn::gui {

namespace {

constexpr const char* kLinkProperty = "tarnLink";

// What assistive tools see of a link label: a link they can press.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Link) {}

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
        } else if (Binder* binder = BinderOf(widget())) {
            binder->RaiseClick();
        }
    }
};

QAccessibleInterface* LinkAccessibleFactory(const QString& /*className*/, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (label != nullptr && label->property(kLinkProperty).toBool()) {
        return new LinkAccessible(label);
    }
    return nullptr;
}

} // namespace

QString WithoutAccessKeys(const std::string& caption) {
    QString shown;
    const QString text = QString::fromStdString(caption);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += text[i];
    }
    return shown;
}

QString AccessibleNameOf(const forms::Control& control) {
    const QString toolTip = QString::fromStdString(control.ToolTipText());
    const auto* captioned = dynamic_cast<const forms::CaptionedControl*>(&control);
    const bool valueLabel = control.Kind() == forms::ControlKind::Label && !toolTip.isEmpty();
    if (control.Kind() == forms::ControlKind::ListBox || valueLabel) {
        return toolTip.isEmpty() ? QString::fromStdString(control.Name()) : toolTip;
    }
    if (captioned != nullptr && !captioned->Caption().empty()) {
        return WithoutAccessKeys(captioned->Caption());
    }
    return toolTip.isEmpty() ? QString::fromStdString(control.Name()) : toolTip;
}

void PresentAsLink(QLabel* label) {
    label->setProperty(kLinkProperty, true);
    static const bool installed = [] {
        QAccessible::installFactory(LinkAccessibleFactory);
        return true;
    }();
    static_cast<void>(installed);
}

} // namespace tarn::gui
