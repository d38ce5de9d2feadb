#include "query/ui/CQueryDeviceSheet.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <new>

#include "platform/Ui.h"

namespace query {

namespace {

// Device texts are Latin-1; answers end their lines with CR LF.
QString ShownText(const std::string& text) { return QString::fromLatin1(text.c_str()).replace("\r\n", "\n"); }

}  // namespace

CQueryDeviceSheet::CQueryDeviceSheet(QueryTarget target, QWidget* parent)
    : QDialog(parent), target_(std::move(target)) {
    setWindowTitle(QString::fromStdString("Query Device" + (target_.slot > 0 && !target_.tag.empty()
                                                                ? " (" + target_.tag + ")"
                                                                : std::string(" (No Device Attached)"))));
    setModal(false);
    resize(720, 520);
}

CQueryDeviceSheet::~CQueryDeviceSheet() {
    answerJob_.Stop();
    listJob_.Stop();
}

bool CQueryDeviceSheet::Create() {
    try {
        query_ = std::make_unique<QueryDevice>(target_.device, target_.identity);
    } catch (const std::bad_alloc&) {
        platform::ShowMessage("Error: Failed to allocate memory for Query object.");
        return false;
    }
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->addTab(MakeGeneralPage(), "General");
    pages_->addTab(MakeFieldbusPage(), "Fieldbus General");
    pages_->addTab(MakeParameterPage(), "Block Parameters");
    layout->addWidget(pages_);
    auto* close = new QPushButton("Close", this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1) LoadSummary();
        if (page == 2 && blocks_->count() == 0) LoadBlocks();
    });
    refresh_ = new QTimer(this);
    refresh_->setInterval(kRefreshMs);
    connect(refresh_, &QTimer::timeout, this, &CQueryDeviceSheet::RefreshValues);
    refresh_->start();
    return true;
}

bool CQueryDeviceSheet::DeviceOpen() const { return target_.device != nullptr && target_.device->IsOpen(); }

bool CQueryDeviceSheet::Busy() const { return answerJob_.Busy() || listJob_.Busy(); }

QWidget* CQueryDeviceSheet::MakeGeneralPage() {
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    auto* splitter = new QSplitter(Qt::Horizontal, page);
    commands_ = new QListWidget(splitter);
    commands_->setObjectName("queryCommands");
    for (int i = 0; i < query_->CommandCount(); ++i) commands_->addItem(QString::fromStdString(query_->CommandName(i)));
    answer_ = new QPlainTextEdit(splitter);
    answer_->setObjectName("queryAnswer");
    answer_->setReadOnly(true);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);
    connect(commands_, &QListWidget::currentRowChanged, this, &CQueryDeviceSheet::ShowAnswer);
    return page;
}

QWidget* CQueryDeviceSheet::MakeFieldbusPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    summary_ = new QPlainTextEdit(page);
    summary_->setObjectName("deviceSummary");
    summary_->setReadOnly(true);
    layout->addWidget(summary_);
    return page;
}

QWidget* CQueryDeviceSheet::MakeParameterPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Block:", page));
    blocks_ = new QComboBox(page);
    blocks_->setObjectName("queryBlocks");
    top->addWidget(blocks_, 1);
    pause_ = new QPushButton("&Pause", page);
    pause_->setObjectName("queryPause");
    pause_->setCheckable(true);
    pause_->setEnabled(false);
    connect(pause_, &QPushButton::toggled, this,
            [this](bool paused) { pause_->setText(paused ? "&Resume" : "&Pause"); });
    top->addWidget(pause_);
    layout->addLayout(top);
    parameters_ = new QTreeWidget(page);
    parameters_->setObjectName("queryParameters");
    parameters_->setColumnCount(2);
    parameters_->setHeaderLabels({"Name", "Value"});
    parameters_->setRootIsDecorated(false);
    parameters_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(parameters_, &QWidget::customContextMenuRequested, this, &CQueryDeviceSheet::OnParameterMenu);
    parameters_->viewport()->installEventFilter(this);
    layout->addWidget(parameters_, 1);
    connect(blocks_, &QComboBox::currentIndexChanged, this, &CQueryDeviceSheet::ChooseBlock);
    return page;
}

void CQueryDeviceSheet::ShowAnswer(int command) {
    if (command < 0) return;
    if (answerJob_.Busy()) {
        pendingCommand_ = command;  // shown once the running answer is in
        return;
    }
    auto text = std::make_shared<std::string>();
    QueryDevice* query = query_.get();
    answerJob_.Start([query, command, text] { *text = query->ComposeAnswer(command); },
                     [this, text] {
                         answer_->setPlainText(ShownText(*text));
                         if (pendingCommand_ >= 0) {
                             const int next = pendingCommand_;
                             pendingCommand_ = -1;
                             ShowAnswer(next);
                         }
                     });
}

void CQueryDeviceSheet::LoadSummary() {
    if (summaryLoaded_ || !DeviceOpen() || answerJob_.Busy()) return;
    summaryLoaded_ = true;
    auto text = std::make_shared<std::string>();
    fieldbus::DeviceAccess* device = target_.device;
    answerJob_.Start([device, text] { device->GetDeviceSummary(*text); },
                     [this, text] { summary_->setPlainText(ShownText(*text)); });
}

// The block list is the device's own (read once, without bus traffic for an open device).
void CQueryDeviceSheet::LoadBlocks() {
    if (!DeviceOpen()) return;
    std::vector<std::string> entries;
    if (target_.device->GetBlockList(entries) != 0) return;
    blockNumbers_.clear();
    QSignalBlocker blocker(blocks_);
    for (size_t i = 0; i < entries.size(); ++i) {
        blocks_->addItem(QString::fromLatin1(entries[i].c_str()));
        blockNumbers_.push_back(static_cast<int>(i));
    }
    blocks_->setCurrentIndex(-1);
    if (!entries.empty()) blocks_->setCurrentIndex(0);
    ChooseBlock(blocks_->currentIndex());
}

void CQueryDeviceSheet::ChooseBlock(int index) {
    if (index < 0 || index >= static_cast<int>(blockNumbers_.size()) || !DeviceOpen()) return;
    if (listJob_.Busy()) {
        // Chosen again once the running read is in.
        QTimer::singleShot(kRefreshMs, this, [this] { ChooseBlock(blocks_->currentIndex()); });
        return;
    }
    layout_.reset();
    parameters_->clear();
    pause_->setEnabled(false);
    auto layout = std::make_shared<BlockLayout>();
    auto result = std::make_shared<int>(1);
    fieldbus::DeviceAccess* device = target_.device;
    const int block = blockNumbers_[static_cast<size_t>(index)];
    const std::atomic<bool>* stop = &listJob_.Stopping();
    listJob_.Start([device, block, layout, result, stop] { *result = ReadBlockLayout(*device, block, *layout, stop); },
                   [this, layout, result, index] {
                       if (blocks_->currentIndex() != index) return;  // another block was chosen meanwhile
                       // Only a device that lists its block parameters offers the command.
                       pause_->setEnabled(*result == 0);
                       if (*result != 0) return;
                       layout_ = layout;
                       RefreshValues();
                   });
}

void CQueryDeviceSheet::RefreshValues() {
    if (!layout_ || listJob_.Busy() || pause_->isChecked() || pages_->currentIndex() != 2 || !DeviceOpen()) return;
    auto rows = std::make_shared<std::vector<ParameterRow>>();
    std::shared_ptr<BlockLayout> layout = layout_;
    fieldbus::DeviceAccess* device = target_.device;
    const std::atomic<bool>* stop = &listJob_.Stopping();
    listJob_.Start([device, layout, rows, stop] { ReadBlockValues(*device, *layout, *rows, stop); },
                   [this, layout, rows] {
                       if (layout == layout_) ShowRows(*rows);
                   });
}

// Rows are updated in place, so the list keeps its scroll position and selection.
void CQueryDeviceSheet::ShowRows(const std::vector<ParameterRow>& rows) {
    const int count = static_cast<int>(rows.size());
    while (parameters_->topLevelItemCount() > count) delete parameters_->takeTopLevelItem(count);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = parameters_->topLevelItem(i);
        if (!item) item = new QTreeWidgetItem(parameters_);
        const QString name = QString::fromLatin1(rows[static_cast<size_t>(i)].name.c_str());
        const QString value = QString::fromLatin1(rows[static_cast<size_t>(i)].value.c_str());
        if (item->text(0) != name) item->setText(0, name);
        if (item->text(1) != value) item->setText(1, value);
    }
}

void CQueryDeviceSheet::OnParameterMenu(const QPoint& pos) {
    QTreeWidgetItem* item = parameters_->itemAt(pos);
    QMenu menu(this);
    QAction* copy = menu.addAction("&Copy");
    copy->setEnabled(item != nullptr);
    QAction* copyAll = menu.addAction("Copy &All");
    copyAll->setEnabled(parameters_->topLevelItemCount() > 0);
    QAction* chosen = menu.exec(parameters_->viewport()->mapToGlobal(pos));
    if (chosen == copy && item) QApplication::clipboard()->setText(item->text(0) + "\t" + item->text(1));
    if (chosen == copyAll) {
        QString all;
        for (int i = 0; i < parameters_->topLevelItemCount(); ++i)
            all += parameters_->topLevelItem(i)->text(0) + "\t" + parameters_->topLevelItem(i)->text(1) + "\n";
        QApplication::clipboard()->setText(all);
    }
}

// "Name" takes 35 % of the list's width, "Value" 90 % of the rest.
void CQueryDeviceSheet::SizeColumns() {
    if (!parameters_) return;
    const int width = parameters_->viewport()->width();
    parameters_->setColumnWidth(0, width * 35 / 100);
    parameters_->setColumnWidth(1, (width - width * 35 / 100) * 90 / 100);
}

bool CQueryDeviceSheet::eventFilter(QObject* watched, QEvent* event) {
    if (parameters_ && watched == parameters_->viewport() && event->type() == QEvent::Resize) SizeColumns();
    return QDialog::eventFilter(watched, event);
}

void CQueryDeviceSheet::closeEvent(QCloseEvent* event) {
    if (refresh_) refresh_->stop();
    QDialog::closeEvent(event);
}

}  // namespace query
