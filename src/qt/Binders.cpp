#include "qt/Binders.h"

#include "forms/CheckBox.h"
#include "forms/Frame.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListControl.h"
#include "forms/Picture.h"
#include "forms/TabControl.h"
#include "qt/FontMapper.h"
#include "qt/FrameWidget.h"
#include "qt/Guard.h"
#include "qt/LineWidget.h"
#include "qt/Pictures.h"
#include "qt/TabControlWidget.h"

#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <stdexcept>

namespace tarn::gui {

using forms::Property;

namespace {

// The height of the tab strip: the controls of a page start 360 twips below the top of the
// tab control, so the strip stays just above that.
constexpr double kTabStripTwips = 345;

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// The model's colour for an enabled control; a disabled one keeps the style's grey.
void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, forms::Color color) {
    palette.setColor(QPalette::Active, role, ToQColor(color));
    palette.setColor(QPalette::Inactive, role, ToQColor(color));
}

Qt::Alignment ToQAlignment(forms::Alignment alignment) {
    switch (alignment) {
    case forms::Alignment::Right:
        return Qt::AlignRight;
    case forms::Alignment::Center:
        return Qt::AlignHCenter;
    case forms::Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

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

constexpr const char* kLinkProperty = "tarnLink";

QAccessibleInterface* LinkAccessibleFactory(const QString& /*className*/, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (label != nullptr && label->property(kLinkProperty).toBool()) {
        return new LinkAccessible(label);
    }
    return nullptr;
}

class LabelBinder : public Binder {
public:
    LabelBinder(forms::Label& label, QLabel* widget, const TwipsScale& scale)
        : Binder(label, widget, scale), label_(label), widget_(widget) {
        widget->setTextFormat(Qt::PlainText);
        widget->setWordWrap(false);
        if (label.HandCursor()) {
            // A link: the mouse, the keyboard (Tab to it, then Enter or Space) and assistive
            // tools can all open it.
            widget->setCursor(Qt::PointingHandCursor);
            widget->setFocusPolicy(Qt::TabFocus);
            widget->setProperty(kLinkProperty, true);
            static const bool installed = [] {
                QAccessible::installFactory(LinkAccessibleFactory);
                return true;
            }();
            (void)installed;
        }
        WatchMouse(widget);
        RaiseClickOnRelease();
    }

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Caption:
            widget_->setText(ToQString(label_.Caption()));
            // The alignment has no change event of its own; it goes with the caption.
            widget_->setAlignment(ToQAlignment(label_.TextAlignment()) |
                                  (label_.Opaque() ? Qt::AlignVCenter : Qt::AlignTop));
            DescribeByText();
            break;
        case Property::ToolTip:
            DescribeByText();
            break;
        case Property::Colors: {
            QPalette palette = widget_->palette();
            SetEnabledColor(palette, QPalette::WindowText, label_.ForeColor());
            palette.setColor(QPalette::Window, ToQColor(label_.BackColor()));
            widget_->setPalette(palette);
            widget_->setAutoFillBackground(label_.Opaque());
            break;
        }
        default:
            break;
        }
    }

private:
    // A label named by its tooltip would otherwise hide what it shows (a time, an address) from
    // assistive tools: a label has no text interface of its own.
    void DescribeByText() {
        if (!label_.ToolTipText().empty()) {
            widget_->setAccessibleDescription(ToQString(label_.Caption()));
        }
    }

    forms::Label& label_;
    QLabel* widget_;
};

class ButtonBinder : public Binder {
public:
    ButtonBinder(forms::CaptionedControl& button, QPushButton* widget, const TwipsScale& scale)
        : Binder(button, widget, scale), button_(button), widget_(widget) {
        widget->setAutoDefault(false);
        WatchMouse(widget);
        connect(widget, &QPushButton::clicked, this,
                [this] { RunGuarded([this] { button_.Click.Raise(); }); });
    }

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Caption) {
            widget_->setText(ToQString(button_.Caption()));
        }
    }

private:
    forms::CaptionedControl& button_;
    QPushButton* widget_;
};

class CheckBoxBinder : public Binder {
public:
    CheckBoxBinder(forms::CheckBox& box, QCheckBox* widget, const TwipsScale& scale)
        : Binder(box, widget, scale), box_(box), widget_(widget) {
        WatchMouse(widget);
        // Every change the user makes (mouse, keyboard, an assistive tool's toggle) ends here;
        // values set by the model arrive with the widget's signals blocked.
        connect(widget, &QCheckBox::stateChanged, this, [this](int state) {
            const int value = state == Qt::Checked            ? forms::Checked
                              : state == Qt::PartiallyChecked ? forms::Grayed
                                                              : forms::Unchecked;
            RunGuarded([this, value] { box_.SetValue(value); });
            // A handler may have put the value back.
            Apply(Property::Value);
        });
    }

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Caption:
            widget_->setText(ToQString(box_.Caption()));
            break;
        case Property::Value:
            widget_->setTristate(box_.Value() == forms::Grayed);
            widget_->setCheckState(box_.Value() == forms::Checked  ? Qt::Checked
                                   : box_.Value() == forms::Grayed ? Qt::PartiallyChecked
                                                                   : Qt::Unchecked);
            break;
        default:
            break;
        }
    }

private:
    forms::CheckBox& box_;
    QCheckBox* widget_;
};

QStringList ItemsOf(const forms::ListControl& list) {
    QStringList items;
    for (const std::string& item : list.Items()) {
        items.append(ToQString(item));
    }
    return items;
}

class ComboBoxBinder : public Binder {
public:
    ComboBoxBinder(forms::ComboBox& combo, QComboBox* widget, const TwipsScale& scale)
        : Binder(combo, widget, scale), combo_(combo), widget_(widget) {
        widget->setEditable(false);
        WatchMouse(widget);
        // Any pick (mouse, keyboard, wheel, an assistive tool); the model's own changes arrive
        // with the widget's signals blocked.
        connect(widget, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index >= 0 && index < combo_.ListCount()) {
                RunGuarded([this, index] { combo_.SetListIndex(index); });
            }
            Apply(Property::ListIndex);
        });
    }

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Items:
            widget_->clear();
            widget_->addItems(ItemsOf(combo_));
            widget_->setCurrentIndex(combo_.ListIndex());
            break;
        case Property::ListIndex:
            widget_->setCurrentIndex(combo_.ListIndex());
            break;
        default:
            break;
        }
    }

private:
    forms::ComboBox& combo_;
    QComboBox* widget_;
};

class ListBoxBinder : public Binder {
public:
    ListBoxBinder(forms::ListBox& list, QListWidget* widget, const TwipsScale& scale)
        : Binder(list, widget, scale), list_(list), widget_(widget) {
        widget->setSelectionMode(QAbstractItemView::SingleSelection);
        widget->setUniformItemSizes(true);
        WatchMouse(widget);
        WatchMouse(widget->viewport());
        // The model follows the selected row, however it was selected: an assistive tool
        // selects a row without making it current. Changes made by the model arrive with the
        // widget's signals blocked.
        connect(widget, &QListWidget::itemSelectionChanged, this, [this] {
            const QList<QListWidgetItem*> selected = widget_->selectedItems();
            const int row = selected.isEmpty() ? -1 : widget_->row(selected.front());
            if (row >= -1 && row < list_.ListCount()) {
                RunGuarded([this, row] { list_.SetListIndex(row); });
            }
            Apply(Property::ListIndex);
        });
    }

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Items:
            widget_->clear();
            widget_->addItems(ItemsOf(list_));
            ApplyOwn(Property::ListIndex);
            break;
        case Property::ListIndex:
            widget_->setCurrentRow(list_.ListIndex());
            if (list_.ListIndex() < 0) {
                widget_->clearSelection();
            }
            break;
        default:
            break;
        }
    }

private:
    forms::ListBox& list_;
    QListWidget* widget_;
};

class FrameBinder : public Binder {
public:
    FrameBinder(forms::Frame& frame, QGroupBox* widget, const TwipsScale& scale)
        : Binder(frame, widget, scale), frame_(frame), widget_(widget) {
        WatchMouse(widget);
    }

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Caption) {
            widget_->setTitle(ToQString(frame_.Caption()));
        }
    }

private:
    forms::Frame& frame_;
    QGroupBox* widget_;
};

class LineBinder : public Binder {
public:
    LineBinder(forms::Line& line, LineWidget* widget, const TwipsScale& scale)
        : Binder(line, widget, scale), line_(line), widget_(widget) {}

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Geometry:
            widget_->SetEnds(QPoint(scale_.Pixels(line_.X1()), scale_.Pixels(line_.Y1())),
                             QPoint(scale_.Pixels(line_.X2()), scale_.Pixels(line_.Y2())));
            break;
        case Property::Colors:
            widget_->SetColor(ToQColor(line_.BorderColor()));
            break;
        default:
            break;
        }
    }

private:
    forms::Line& line_;
    LineWidget* widget_;
};

class PictureBinder : public Binder {
public:
    PictureBinder(forms::Picture& picture, QLabel* widget, const TwipsScale& scale)
        : Binder(picture, widget, scale), picture_(picture), widget_(widget) {
        widget->setAlignment(Qt::AlignCenter);
        WatchMouse(widget);
        RaiseClickOnRelease();
    }

protected:
    void ApplyOwn(Property property) override {
        if (property != Property::Picture && property != Property::Geometry) {
            return;
        }
        const QString name = ToQString(picture_.PictureName());
        const QSize natural = PictureSizeAt96Dpi(name);
        const QSize size(std::min(widget_->width(), scale_.FromPixelsAt96Dpi(natural.width())),
                         std::min(widget_->height(), scale_.FromPixelsAt96Dpi(natural.height())));
        widget_->setPixmap(MakePicture(name, size));
    }

private:
    forms::Picture& picture_;
    QLabel* widget_;
};

class TabControlBinder : public Binder {
public:
    TabControlBinder(forms::TabControl& tabs, TabControlWidget* widget, const TwipsScale& scale)
        : Binder(tabs, widget, scale), tabs_(tabs), widget_(widget) {
        WatchMouse(widget->TabBar());
        connect(widget, &TabControlWidget::CurrentChanged, this, [this](int tab) {
            if (tab >= 0 && tab < tabs_.Tabs()) {
                RunGuarded([this, tab] { tabs_.SetTab(tab); });
            }
            Apply(Property::Tab);
        });
    }

protected:
    void ApplyOwn(Property property) override {
        switch (property) {
        case Property::Items: {
            QStringList captions;
            for (int tab = 0; tab < tabs_.Tabs(); ++tab) {
                captions.append(ToQString(tabs_.TabCaption(tab)));
            }
            widget_->SetTabs(captions);
            widget_->SetCurrent(tabs_.Tab());
            break;
        }
        case Property::Tab:
            widget_->SetCurrent(tabs_.Tab());
            break;
        default:
            break;
        }
    }

private:
    forms::TabControl& tabs_;
    TabControlWidget* widget_;
};

// The widget and its binder, which the widget owns. Every kind has its case and there is no
// default, so that the compiler names a kind left out.
Binder& CreateBinder(forms::Control& control, QWidget* parent, const TwipsScale& scale) {
    switch (control.Kind()) {
    case forms::ControlKind::Label:
        return *new LabelBinder(static_cast<forms::Label&>(control), new QLabel(parent), scale);
    case forms::ControlKind::CommandButton:
        return *new ButtonBinder(static_cast<forms::CaptionedControl&>(control),
                                 new QPushButton(parent), scale);
    case forms::ControlKind::CheckBox:
        return *new CheckBoxBinder(static_cast<forms::CheckBox&>(control), new QCheckBox(parent),
                                   scale);
    case forms::ControlKind::ComboBox:
        return *new ComboBoxBinder(static_cast<forms::ComboBox&>(control), new QComboBox(parent),
                                   scale);
    case forms::ControlKind::ListBox:
        return *new ListBoxBinder(static_cast<forms::ListBox&>(control), new QListWidget(parent),
                                  scale);
    case forms::ControlKind::Frame:
        return *new FrameBinder(static_cast<forms::Frame&>(control), new FrameWidget(parent),
                                scale);
    case forms::ControlKind::TabControl:
        return *new TabControlBinder(static_cast<forms::TabControl&>(control),
                                     new TabControlWidget(parent, scale.Pixels(kTabStripTwips)),
                                     scale);
    case forms::ControlKind::Line:
        return *new LineBinder(static_cast<forms::Line&>(control), new LineWidget(parent), scale);
    case forms::ControlKind::Picture:
        return *new PictureBinder(static_cast<forms::Picture&>(control), new QLabel(parent), scale);
    }
    throw std::invalid_argument("no widget for the control kind of " + control.Name());
}

} // namespace

QColor ToQColor(forms::Color color) {
    return QColor(static_cast<int>(color & 0xFFU), static_cast<int>((color >> 8U) & 0xFFU),
                  static_cast<int>((color >> 16U) & 0xFFU));
}

QString WithoutAccessKeys(const std::string& caption) {
    QString shown;
    const QString text = ToQString(caption);
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
    const QString toolTip = ToQString(control.ToolTipText());
    const auto* captioned = dynamic_cast<const forms::CaptionedControl*>(&control);
    const bool valueLabel = control.Kind() == forms::ControlKind::Label && !toolTip.isEmpty();
    if (control.Kind() == forms::ControlKind::ListBox || valueLabel) {
        return toolTip.isEmpty() ? ToQString(control.Name()) : toolTip;
    }
    if (captioned != nullptr && !captioned->Caption().empty()) {
        return WithoutAccessKeys(captioned->Caption());
    }
    return toolTip.isEmpty() ? ToQString(control.Name()) : toolTip;
}

Binder::Binder(forms::Control& control, QWidget* widget, const TwipsScale& scale)
    : QObject(widget), scale_(scale), control_(control), widget_(widget) {
    widget->setObjectName(ToQString(control.Name()));
    following_ = control.PropertyChanged.Connect([this](Property property) { Apply(property); });
    focusing_ = control.FocusRequested.Connect([this] { widget_->setFocus(Qt::MouseFocusReason); });
}

void Binder::ApplyAll() {
    for (Property property :
         {Property::Items, Property::Caption, Property::Geometry, Property::Enabled,
          Property::Visible, Property::ToolTip, Property::Font, Property::Colors, Property::Value,
          Property::ListIndex, Property::Tab, Property::Picture}) {
        Apply(property);
    }
}

void Binder::Apply(Property property) {
    const QSignalBlocker blocker(widget_);
    switch (property) {
    case Property::Geometry:
        ApplyGeometry();
        break;
    case Property::Enabled:
        widget_->setEnabled(control_.Enabled());
        break;
    case Property::Visible:
        widget_->setVisible(control_.Visible());
        break;
    case Property::ToolTip:
        widget_->setToolTip(ToQString(control_.ToolTipText()));
        widget_->setAccessibleDescription(ToQString(control_.ToolTipText()));
        break;
    case Property::Font:
        widget_->setFont(MapFont(control_.GetFont(), scale_));
        break;
    case Property::Colors: {
        QPalette palette = widget_->palette();
        SetEnabledColor(palette, QPalette::WindowText, control_.ForeColor());
        SetEnabledColor(palette, QPalette::ButtonText, control_.ForeColor());
        widget_->setPalette(palette);
        break;
    }
    default:
        break;
    }
    ApplyOwn(property);
    if (property == Property::Caption || property == Property::ToolTip) {
        UpdateAccessibleName();
    }
}

void Binder::ApplyGeometry() {
    if (control_.Kind() == forms::ControlKind::Line) {
        return;
    }
    widget_->setGeometry(
        scale_.Rect(control_.Left(), control_.Top(), control_.Width(), control_.Height()));
}

void Binder::UpdateAccessibleName() {
    widget_->setAccessibleName(AccessibleNameOf(control_));
}

void Binder::WatchMouse(QWidget* target) {
    target->setMouseTracking(true);
    target->installEventFilter(this);
}

bool Binder::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        if (widget_->isEnabled()) {
            RunGuarded([this] { control_.MouseMove.Raise(); });
        }
        break;
    case QEvent::MouseButtonPress:
        pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = clickOnRelease_ && pressed_ && mouse->button() == Qt::LeftButton &&
                           widget_->rect().contains(mouse->position().toPoint());
        pressed_ = false;
        if (click) {
            RaiseClick();
        }
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (clickOnRelease_ &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            RaiseClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void Binder::RaiseClick() {
    if (widget_->isEnabled()) {
        RunGuarded([this] { control_.Click.Raise(); });
    }
}

Binder* BinderOf(const QWidget* widget) {
    return widget == nullptr ? nullptr
                             : widget->findChild<Binder*>(QString(), Qt::FindDirectChildrenOnly);
}

QWidget* CreateBoundWidget(forms::Control& control, QWidget* parent, const TwipsScale& scale) {
    Binder& binder = CreateBinder(control, parent, scale);
    // Geometry first: the tab control lays its strip out for its width.
    binder.Apply(Property::Geometry);
    binder.ApplyAll();
    return binder.Widget();
}

} // namespace tarn::gui
