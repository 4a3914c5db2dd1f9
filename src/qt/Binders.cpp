#include "qt/Binders.h"

#include "forms/CheckBox.h"
#include "forms/Frame.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListControl.h"
#include "forms/Picture.h"
#include "forms/TabControl.h"
#include "qt/AccessibleControls.h"
#include "qt/FrameWidget.h"
#include "qt/Guard.h"
#include "qt/LineWidget.h"
#include "qt/Pictures.h"
#include "qt/TabControlWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <map>
#include <stdexcept>
#include <type_traits>

namespace tarn::gui {

using forms::Property;

namespace {

// The height of the tab strip: the controls of a page start 360 twips below the top of the
// tab control, so the strip stays just above that.
constexpr double kTabStripTwips = 345;

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
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

QStringList ItemsOf(const forms::ListControl& list) {
    QStringList items;
    for (const std::string& item : list.Items()) {
        items.append(ToQString(item));
    }
    return items;
}

// The binder of one kind of control, which knows its model and its widget by their own types.
template <typename ModelType, typename WidgetType> class KindBinder : public Binder {
public:
    KindBinder(forms::Control& model, WidgetType* widget, const TwipsScale& scale)
        : Binder(model, widget, scale), model_(static_cast<ModelType&>(model)), widget_(widget) {}

protected:
    // The user picked `value` on the widget (a check state, an item, a row, a tab). Each change
    // the user makes, by whatever means, ends here; the model's own changes arrive with the
    // widget's signals blocked. A value the model can take reaches it through `set`, and the
    // widget then shows what the model kept, as a handler may have put it back.
    template <typename Set> void Picked(int value, bool valid, Set set, Property shown) {
        if (valid) {
            RunGuarded([this, value, set] { (model_.*set)(value); });
        }
        Apply(shown);
    }

    ModelType& model_;
    WidgetType* const widget_;
};

class LabelBinder : public KindBinder<forms::Label, QLabel> {
public:
    LabelBinder(forms::Control& label, QWidget* parent, const TwipsScale& scale)
        : KindBinder(label, new QLabel(parent), scale) {
        widget_->setTextFormat(Qt::PlainText);
        widget_->setWordWrap(false);
        if (model_.HandCursor()) {
            // A link: the mouse, the keyboard (Tab to it, then Enter or Space) and assistive
            // tools can all open it.
            widget_->setCursor(Qt::PointingHandCursor);
            widget_->setFocusPolicy(Qt::TabFocus);
            PresentAsLink(widget_);
        }
        WatchMouse(widget_);
        RaiseClickOnRelease();
    }

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Caption) {
            widget_->setText(ToQString(model_.Caption()));
            // The alignment has no change event of its own; it goes with the caption.
            widget_->setAlignment(ToQAlignment(model_.TextAlignment()) |
                                  (model_.Opaque() ? Qt::AlignVCenter : Qt::AlignTop));
        } else if (property == Property::Colors) {
            QPalette palette = widget_->palette();
            SetEnabledColor(palette, QPalette::WindowText, model_.ForeColor());
            palette.setColor(QPalette::Window, ToQColor(model_.BackColor()));
            widget_->setPalette(palette);
            widget_->setAutoFillBackground(model_.Opaque());
        }
        // A label named by its tooltip would otherwise hide what it shows (a time, an address)
        // from assistive tools: a label has no text interface of its own.
        if ((property == Property::Caption || property == Property::ToolTip) &&
            !model_.ToolTipText().empty()) {
            widget_->setAccessibleDescription(ToQString(model_.Caption()));
        }
    }
};

// A control whose only property of its own is its caption, which `show` puts on the widget.
template <typename WidgetType, auto show>
class CaptionBinder : public KindBinder<forms::CaptionedControl, WidgetType> {
public:
    CaptionBinder(forms::Control& control, QWidget* parent, const TwipsScale& scale)
        : KindBinder<forms::CaptionedControl, WidgetType>(control, new WidgetType(parent), scale) {
        this->WatchMouse(this->widget_);
    }

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Caption) {
            (this->widget_->*show)(ToQString(this->model_.Caption()));
        }
    }
};

using FrameBinder = CaptionBinder<FrameWidget, &QGroupBox::setTitle>;

class ButtonBinder : public CaptionBinder<QPushButton, &QPushButton::setText> {
public:
    ButtonBinder(forms::Control& button, QWidget* parent, const TwipsScale& scale)
        : CaptionBinder(button, parent, scale) {
        widget_->setAutoDefault(false);
        connect(widget_, &QPushButton::clicked, this,
                [this] { RunGuarded([this] { model_.Click.Raise(); }); });
    }
};

class CheckBoxBinder : public KindBinder<forms::CheckBox, QCheckBox> {
public:
    CheckBoxBinder(forms::Control& box, QWidget* parent, const TwipsScale& scale)
        : KindBinder(box, new QCheckBox(parent), scale) {
        WatchMouse(widget_);
        connect(widget_, &QCheckBox::stateChanged, this, [this](int state) {
            Picked(state == Qt::Checked            ? forms::Checked
                   : state == Qt::PartiallyChecked ? forms::Grayed
                                                   : forms::Unchecked,
                   true, &forms::CheckBox::SetValue, Property::Value);
        });
    }

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Caption) {
            widget_->setText(ToQString(model_.Caption()));
        } else if (property == Property::Value) {
            widget_->setTristate(model_.Value() == forms::Grayed);
            widget_->setCheckState(model_.Value() == forms::Checked  ? Qt::Checked
                                   : model_.Value() == forms::Grayed ? Qt::PartiallyChecked
                                                                     : Qt::Unchecked);
        }
    }
};

// A control that shows items, or tabs, and the one picked: `current` is the property that
// tells which.
template <typename ModelType, typename WidgetType>
class ChoiceBinder : public KindBinder<ModelType, WidgetType> {
public:
    ChoiceBinder(forms::Control& control, WidgetType* widget, const TwipsScale& scale,
                 Property current)
        : KindBinder<ModelType, WidgetType>(control, widget, scale), current_(current) {}

protected:
    // The items of a list; other kinds show theirs their own way.
    virtual void ShowItems() {
        if constexpr (std::is_base_of_v<forms::ListControl, ModelType>) {
            this->widget_->clear();
            this->widget_->addItems(ItemsOf(this->model_));
        }
    }
    virtual void ShowCurrent() = 0;

    void ApplyOwn(Property property) final {
        if (property == Property::Items) {
            ShowItems();
        }
        if (property == Property::Items || property == current_) {
            ShowCurrent();
        }
    }

private:
    const Property current_;
};

class ComboBoxBinder : public ChoiceBinder<forms::ComboBox, QComboBox> {
public:
    ComboBoxBinder(forms::Control& combo, QWidget* parent, const TwipsScale& scale)
        : ChoiceBinder(combo, new QComboBox(parent), scale, Property::ListIndex) {
        widget_->setEditable(false);
        WatchMouse(widget_);
        connect(widget_, &QComboBox::currentIndexChanged, this, [this](int index) {
            Picked(index, index >= 0 && index < model_.ListCount(), &forms::ComboBox::SetListIndex,
                   Property::ListIndex);
        });
    }

protected:
    void ShowCurrent() override { widget_->setCurrentIndex(model_.ListIndex()); }
};

class ListBoxBinder : public ChoiceBinder<forms::ListBox, QListWidget> {
public:
    ListBoxBinder(forms::Control& list, QWidget* parent, const TwipsScale& scale)
        : ChoiceBinder(list, new QListWidget(parent), scale, Property::ListIndex) {
        widget_->setSelectionMode(QAbstractItemView::SingleSelection);
        widget_->setUniformItemSizes(true);
        WatchMouse(widget_);
        WatchMouse(widget_->viewport());
        // The model follows the selected row, however it was selected: an assistive tool
        // selects a row without making it current.
        connect(widget_, &QListWidget::itemSelectionChanged, this, [this] {
            const QList<QListWidgetItem*> selected = widget_->selectedItems();
            const int row = selected.isEmpty() ? -1 : widget_->row(selected.front());
            Picked(row, row >= -1 && row < model_.ListCount(), &forms::ListBox::SetListIndex,
                   Property::ListIndex);
        });
    }

protected:
    void ShowCurrent() override {
        widget_->setCurrentRow(model_.ListIndex());
        if (model_.ListIndex() < 0) {
            widget_->clearSelection();
        }
    }
};

class LineBinder : public KindBinder<forms::Line, LineWidget> {
public:
    LineBinder(forms::Control& line, QWidget* parent, const TwipsScale& scale)
        : KindBinder(line, new LineWidget(parent), scale) {}

protected:
    void ApplyOwn(Property property) override {
        if (property == Property::Geometry) {
            widget_->SetEnds(QPoint(scale_.Pixels(model_.X1()), scale_.Pixels(model_.Y1())),
                             QPoint(scale_.Pixels(model_.X2()), scale_.Pixels(model_.Y2())));
        } else if (property == Property::Colors) {
            widget_->SetColor(ToQColor(model_.BorderColor()));
        }
    }
};

class PictureBinder : public KindBinder<forms::Picture, QLabel> {
public:
    PictureBinder(forms::Control& picture, QWidget* parent, const TwipsScale& scale)
        : KindBinder(picture, new QLabel(parent), scale) {
        widget_->setAlignment(Qt::AlignCenter);
        WatchMouse(widget_);
        RaiseClickOnRelease();
    }

protected:
    void ApplyOwn(Property property) override {
        if (property != Property::Picture && property != Property::Geometry) {
            return;
        }
        const QString name = ToQString(model_.PictureName());
        const QSize natural = PictureSizeAt96Dpi(name);
        const QSize size(std::min(widget_->width(), scale_.FromPixelsAt96Dpi(natural.width())),
                         std::min(widget_->height(), scale_.FromPixelsAt96Dpi(natural.height())));
        widget_->setPixmap(MakePicture(name, size));
    }
};

class TabControlBinder : public ChoiceBinder<forms::TabControl, TabControlWidget> {
public:
    TabControlBinder(forms::Control& tabs, QWidget* parent, const TwipsScale& scale)
        : ChoiceBinder(tabs, new TabControlWidget(parent, scale.Pixels(kTabStripTwips)), scale,
                       Property::Tab) {
        WatchMouse(widget_->TabBar());
        connect(widget_, &TabControlWidget::CurrentChanged, this, [this](int tab) {
            Picked(tab, tab >= 0 && tab < model_.Tabs(), &forms::TabControl::SetTab, Property::Tab);
        });
    }

protected:
    void ShowItems() override {
        QStringList captions;
        for (int tab = 0; tab < model_.Tabs(); ++tab) {
            captions.append(ToQString(model_.TabCaption(tab)));
        }
        widget_->SetTabs(captions);
    }
    void ShowCurrent() override { widget_->SetCurrent(model_.Tab()); }
};

template <typename KindBinderType>
Binder* MakeBinder(forms::Control& control, QWidget* parent, const TwipsScale& scale) {
    return new KindBinderType(control, parent, scale);
}

// The widget and its binder, which the widget owns.
Binder& CreateBinder(forms::Control& control, QWidget* parent, const TwipsScale& scale) {
    using enum forms::ControlKind;
    static const std::map<forms::ControlKind, decltype(&MakeBinder<LabelBinder>)> kBinders{
        {Label, MakeBinder<LabelBinder>},           {CommandButton, MakeBinder<ButtonBinder>},
        {CheckBox, MakeBinder<CheckBoxBinder>},     {ComboBox, MakeBinder<ComboBoxBinder>},
        {ListBox, MakeBinder<ListBoxBinder>},       {Frame, MakeBinder<FrameBinder>},
        {TabControl, MakeBinder<TabControlBinder>}, {Line, MakeBinder<LineBinder>},
        {Picture, MakeBinder<PictureBinder>}};
    const auto found = kBinders.find(control.Kind());
    if (found == kBinders.end()) {
        throw std::invalid_argument("no widget for the control kind of " + control.Name());
    }
    return *found->second(control, parent, scale);
}

} // namespace

QWidget* CreateBoundWidget(forms::Control& control, QWidget* parent, const TwipsScale& scale) {
    Binder& binder = CreateBinder(control, parent, scale);
    // Geometry first: the tab control lays its strip out for its width.
    binder.Apply(Property::Geometry);
    binder.ApplyAll();
    return binder.Widget();
}

} // namespace tarn::gui
