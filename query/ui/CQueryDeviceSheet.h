#pragma once
// The modeless "Query Device (tag)" window: the query commands and their answers, the
// device summary, and the parameter list of a chosen block refreshed every 100 ms. Every
// bus read runs off the window's thread; nothing is written to the device.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/QtBackgroundJob.h"
#include "query/BlockParameters.h"
#include "query/QueryDevice.h"

class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;

namespace query {

// The device a query window works on (slot -1 and no device: none attached).
struct QueryTarget {
    int slot = -1;
    fieldbus::DeviceAccess* device = nullptr;
    std::string tag;
    QueryIdentity identity;
};

class CQueryDeviceSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 100;

    explicit CQueryDeviceSheet(QueryTarget target, QWidget* parent = nullptr);
    ~CQueryDeviceSheet() override;

    // Makes the pages; false (with the page's message) when a query object cannot be made.
    bool Create();
    int Slot() const { return target_.slot; }

    // The pages' controls (tests, pictures).
    QTabWidget* Pages() const { return pages_; }
    QListWidget* Commands() const { return commands_; }
    QPlainTextEdit* Answer() const { return answer_; }
    QPlainTextEdit* Summary() const { return summary_; }
    QComboBox* Blocks() const { return blocks_; }
    QTreeWidget* Parameters() const { return parameters_; }
    QPushButton* PauseButton() const { return pause_; }
    // True while a read of any page runs.
    bool Busy() const;

    // Shows the answer of a command (composed off the window's thread).
    void ShowAnswer(int command);
    // Chooses the block whose parameters are listed.
    void ChooseBlock(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Keeps the column widths in proportion when the list changes its size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakeGeneralPage();
    QWidget* MakeFieldbusPage();
    QWidget* MakeParameterPage();
    void LoadSummary();
    void LoadBlocks();
    void RefreshValues();
    void ShowRows(const std::vector<ParameterRow>& rows);
    void SizeColumns();
    void OnParameterMenu(const QPoint& pos);
    bool DeviceOpen() const;

    QueryTarget target_;
    std::unique_ptr<QueryDevice> query_;
    QTabWidget* pages_ = nullptr;
    QListWidget* commands_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    QComboBox* blocks_ = nullptr;
    QTreeWidget* parameters_ = nullptr;
    QPushButton* pause_ = nullptr;
    QTimer* refresh_ = nullptr;
    // Answers and the summary; the parameter list has a job of its own so that its refresh
    // never holds up an answer.
    platform::QtBackgroundJob answerJob_{this};
    platform::QtBackgroundJob listJob_{this};
    int pendingCommand_ = -1;  // asked for while another answer was being composed
    std::vector<int> blockNumbers_;
    std::shared_ptr<BlockLayout> layout_;
    bool summaryLoaded_ = false;
};

}  // namespace query
