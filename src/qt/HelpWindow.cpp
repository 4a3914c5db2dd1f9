#include "qt/HelpWindow.h"

#include "qt/HelpBrowser.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSocketNotifier>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tarn::gui {

namespace {

// Where an entry of the contents or the index leads: its topic and anchor.
constexpr int kPlaceRole = Qt::UserRole;

QStringList PlaceOf(const help::SitemapEntry& entry) {
    return {QString::fromStdString(entry.local), QString::fromStdString(entry.anchor)};
}

void AddEntries(const std::vector<help::SitemapEntry>& entries, QTreeWidgetItem* parent) {
    for (const help::SitemapEntry& entry : entries) {
        auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(entry.name)});
        item->setData(0, kPlaceRole, PlaceOf(entry));
        AddEntries(entry.children, item);
    }
}

void AddIndexEntries(const std::vector<help::SitemapEntry>& entries, QListWidget* list) {
    for (const help::SitemapEntry& entry : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry.name), list);
        item->setData(kPlaceRole, PlaceOf(entry));
        AddIndexEntries(entry.children, list);
    }
}

QPushButton* NavigationButton(const QString& text, QWidget* parent, QLayout* row) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

HelpWindow::HelpWindow(std::string readerProgram, std::chrono::milliseconds patience)
    : QWidget(nullptr, Qt::Window), readerProgram_(std::move(readerProgram)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(780, 560);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    back_ = NavigationButton(tr("Back"), this, buttons);
    forward_ = NavigationButton(tr("Forward"), this, buttons);
    home_ = NavigationButton(tr("Home"), this, buttons);
    buttons->addStretch();
    layout->addLayout(buttons);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    tabs_ = new QTabWidget(splitter);
    contents_ = new QTreeWidget(tabs_);
    contents_->setHeaderHidden(true);
    contents_->setAccessibleName(tr("Contents"));
    tabs_->addTab(contents_, tr("Contents"));

    auto* indexPage = new QWidget(tabs_);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    filter_ = new QLineEdit(indexPage);
    filter_->setPlaceholderText(tr("Type a keyword"));
    filter_->setAccessibleName(tr("Keyword"));
    filter_->setClearButtonEnabled(true);
    index_ = new QListWidget(indexPage);
    index_->setAccessibleName(tr("Index"));
    indexLayout->addWidget(filter_);
    indexLayout->addWidget(index_);
    tabs_->addTab(indexPage, tr("Index"));

    browser_ = new HelpBrowser(splitter);
    browser_->setAccessibleName(tr("Topic"));
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 550});
    layout->addWidget(splitter, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(home_, &QPushButton::clicked, this, [this] {
        if (manual_) {
            browser_->ShowTopic(manual_->DefaultTopic());
        }
    });

    const auto showItem = [this](QTreeWidgetItem* item) {
        ShowPlace(item->data(0, kPlaceRole));
    };
    connect(contents_, &QTreeWidget::itemClicked, this, showItem);
    connect(contents_, &QTreeWidget::itemActivated, this, showItem);
    const auto showIndexItem = [this](QListWidgetItem* item) {
        ShowPlace(item->data(kPlaceRole));
    };
    connect(index_, &QListWidget::itemClicked, this, showIndexItem);
    connect(index_, &QListWidget::itemActivated, this, showIndexItem);
    connect(filter_, &QLineEdit::textChanged, this, &HelpWindow::FilterIndex);
    connect(filter_, &QLineEdit::returnPressed, this, &HelpWindow::OpenFirstIndexMatch);

    readerSilence_.setSingleShot(true);
    readerSilence_.setInterval(patience);
    connect(&readerSilence_, &QTimer::timeout, this, &HelpWindow::GiveUp);

    // Leaves the screen as soon as the program ends, before the windows are destroyed.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &QWidget::hide);
}

HelpWindow::~HelpWindow() {
    StopReading();
    browser_->SetManual(nullptr);
}

void HelpWindow::Present(const std::string& helpFile) {
    const bool shownOrLoading =
        reader_ ? loading_ == helpFile
                : manual_ && manual_->Path() == helpFile && manual_->Outcome().Ok();
    if (!shownOrLoading) {
        Load(helpFile);
    }
    if (!isVisible() && lastPlace_.isValid()) {
        setGeometry(lastPlace_);
    }
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::Load(const std::string& helpFile) {
    StopReading();
    browser_->SetManual(nullptr);
    manual_.reset();
    loading_ = helpFile;
    reader_ = std::make_unique<help::ReaderProcess>(readerProgram_, helpFile);
    // A file that is plainly no manual, or a reader that cannot start, is known at once.
    if (std::optional<help::ChmArchive> archive = reader_->Receive()) {
        ShowArchive(std::move(*archive));
        return;
    }
    readerOutput_ = new QSocketNotifier(reader_->Output(), QSocketNotifier::Read, this);
    connect(readerOutput_, &QSocketNotifier::activated, this, &HelpWindow::Receive);
    readerSilence_.start();
    browser_->clearHistory();
    browser_->setHtml(QStringLiteral("<p>%1</p>").arg(tr("Loading the manual\u2026")));
    contents_->clear();
    index_->clear();
    tabs_->setEnabled(false);
    home_->setEnabled(false);
    setWindowTitle(QFileInfo(QString::fromStdString(helpFile)).fileName());
}

void HelpWindow::Receive() {
    if (std::optional<help::ChmArchive> archive = reader_->Receive()) {
        ShowArchive(std::move(*archive));
    } else {
        readerSilence_.start();
    }
}

void HelpWindow::GiveUp() {
    ShowArchive(reader_->GiveUp());
}

void HelpWindow::StopReading() {
    readerSilence_.stop();
    if (readerOutput_ != nullptr) {
        // Its signal may be the one being handled; it watches nothing from now on.
        readerOutput_->setEnabled(false);
        readerOutput_->deleteLater();
        readerOutput_ = nullptr;
    }
    reader_.reset();
}

void HelpWindow::ShowArchive(help::ChmArchive archive) {
    StopReading();
    manual_ = std::make_unique<help::HelpManual>(loading_, std::move(archive));
    browser_->SetManual(manual_.get());
    browser_->clearHistory();
    filter_->clear();
    FillContents();
    FillIndex();
    const bool readable = manual_->Outcome().Ok();
    tabs_->setEnabled(readable);
    home_->setEnabled(readable);
    const QString title = QString::fromStdString(manual_->Title());
    setWindowTitle(title.isEmpty() ? QFileInfo(QString::fromStdString(loading_)).fileName()
                                   : title);
    if (readable) {
        browser_->ShowTopic(manual_->DefaultTopic());
    } else {
        ShowProblem();
    }
}

void HelpWindow::FillContents() {
    contents_->clear();
    AddEntries(manual_->Contents(), contents_->invisibleRootItem());
    contents_->expandAll();
}

void HelpWindow::FillIndex() {
    index_->clear();
    AddIndexEntries(manual_->Index(), index_);
}

void HelpWindow::ShowProblem() {
    const QString text = QString::fromStdString(manual_->Outcome().Reason());
    browser_->setHtml(QStringLiteral("<h2>%1</h2><p>%2</p>")
                          .arg(tr("Help cannot be shown"), text.toHtmlEscaped()));
}

void HelpWindow::FilterIndex(const QString& typed) {
    const QString wanted = typed.trimmed();
    for (int row = 0; row < index_->count(); ++row) {
        QListWidgetItem* item = index_->item(row);
        item->setHidden(!item->text().contains(wanted, Qt::CaseInsensitive));
    }
}

void HelpWindow::OpenFirstIndexMatch() {
    for (int row = 0; row < index_->count(); ++row) {
        QListWidgetItem* item = index_->item(row);
        if (!item->isHidden()) {
            index_->setCurrentItem(item);
            ShowPlace(item->data(kPlaceRole));
            return;
        }
    }
}

void HelpWindow::ShowPlace(const QVariant& place) {
    const QStringList topicAndAnchor = place.toStringList();
    if (topicAndAnchor.size() == 2 && !topicAndAnchor.front().isEmpty()) {
        browser_->ShowTopic(topicAndAnchor.front().toStdString(), topicAndAnchor.back());
    }
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    // Window managers place a window that comes back anew unless told where it was.
    lastPlace_ = geometry();
    QWidget::closeEvent(event);
}

} // namespace tarn::gui
