// The main view's decisions against the simulated segment hosted in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

#include "app/ViewController.h"
#include "config/CConfigData.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceThreadTable.h"
#include "logon/CurrentUser.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "nifb/Backend.h"
#include "simulator/InProcessSegment.h"
#include "simulator/Segment.h"

using namespace platform;
using platform::testing::ScriptedUi;

namespace {

const char* kSegment = R"({"name":"view","settleMs":0,"responseTimeoutMs":200,"interfaces":[{"name":"Interface0-0","devices":[
  {"family":"RPX","deviceType":1,"deviceRevision":2,"serial":"A1","tag":"FV-101","address":20,"blockTagPrefix":"FV101","pid":false,"restartMs":9000},
  {"family":"KPX","deviceType":7,"deviceRevision":1,"serial":"A2","tag":"KV-201","address":21,"blockTagPrefix":"KV201","restartMs":100},
  {"family":"RPX","deviceType":1,"deviceRevision":2,"serial":"A3","tag":"","address":22,"blockTagPrefix":"NT"},
  {"kind":"transmitter","serial":"T1","tag":"PT-301","address":24,"blockTagPrefix":"PT"}]}]})";

// Records what the view would show.
struct FakeHost : app::ViewHost {
    std::vector<app::DeviceTreeItem> tree;
    int selected = -1;
    std::string messageBox, aoSched, pidSched;
    int trendWindows = 0;
    int openedSlot = -1;
    bool closing = false;
    int treesDrawn = 0;
    void ShowDeviceTree(const std::vector<app::DeviceTreeItem>& items, int selectItem) override {
        tree = items;
        selected = selectItem;
        ++treesDrawn;
    }
    void SelectTreeItem(int item) override { selected = item; }
    void SetMessageBoxText(const std::string& text) override { messageBox = text; }
    void ShowBusyText(const std::string&) override {}
    void RefreshStatusPanes() override {}
    void DeviceOpened(int slot) override { openedSlot = slot; }
    void DeviceClosing(int) override {}
    int OpenTrendWindowCount() const override { return trendWindows; }
    bool HasTrendWindow(int) const override { return trendWindows > 0; }
    void CloseDeviceWindows(int) override {}
    bool IsFailSafeDialogOpen() const override { return false; }
    // The answer of the tag/address dialog (no answer: cancelled).
    bool answerTagAddress = false;
    std::string answerTag;
    int answerAddress = -1;
    std::vector<uint8_t> offered;  // what the dialog offered last
    bool AskTagAddress(const std::string&, const std::vector<uint8_t>& addresses, bool, uint8_t, std::string& tag,
                       bool& hasAddress, uint8_t& address) override {
        offered = addresses;
        tag = answerTag;
        hasAddress = answerAddress >= 0;
        address = static_cast<uint8_t>(answerAddress < 0 ? 0 : answerAddress);
        return answerTagAddress;
    }
    void StartCloseWhenAlone() override { closing = true; }
    int companion = -1;
    int failSafeShown = 0;
    bool offlineTimer = false;
    void CompanionOpened(int slot) override { companion = slot; }
    app::DeviceDisplay display;
    int displays = 0;  // of the current device
    void ShowDeviceDisplay(const app::DeviceDisplay& d, bool isCompanion) override {
        if (isCompanion) return;
        display = d;
        ++displays;
    }
    void ShowFailSafeDialog() override { ++failSafeShown; }
    void SetOfflineTimer(bool running) override { offlineTimer = running; }
    void SetScheduleLabels(const std::string& ao, const std::string& pid) override {
        aoSched = ao;
        pidSched = pid;
    }
    void RefreshTreeIcons(const std::vector<app::DeviceTreeItem>& items) override { tree = items; }
};

class ViewControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        backend = simulator::UseInProcessSegment(kSegment, simulator::LoadOptions{}, error);
        ASSERT_TRUE(backend) << error;
        link.SetPollPeriodMs(20);
        controller.OnInitialUpdate(notes);
        for (int i = 0; i < 500 && !link.IsLinkHealthy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void TearDown() override {
        link.CloseLink();
        nifUseServer();
        MessageDispatcher::Instance().Unregister(notes);
        fieldbus::MessageLog::Instance().Clear();
    }
    int ItemOf(const std::string& tag) {
        for (const auto& entry : host.tree)
            if (entry.tag == tag) return entry.item;
        return -1;
    }
    void Select(const std::string& tag) {
        const int item = ItemOf(tag);
        ASSERT_TRUE(controller.CanChangeSelection(item));
        controller.OnSelectionChanged(item);
    }

    // Hands the view readers' notifications to the controller; with `all`, every
    // notification, as the window does.
    struct Sink : MessageTarget {
        app::ViewController* controller = nullptr;
        bool all = false;
        int viewRecords = 0;
        void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
            if (!controller) return;
            switch (msg) {
                case fieldbus::WM_LIVELIST_CHANGED:
                    if (all) controller->OnLiveListChanged();
                    break;
                case fieldbus::WM_DEVICE_MESSAGE:
                    if (all) controller->OnDeviceMessage();
                    break;
                case fieldbus::WM_DEVICE_NOT_OPEN:
                    if (all) controller->OnDeviceNotOpen(static_cast<int>(wParam));
                    break;
                case fieldbus::WM_SERVER_CONNECTION_LOST:
                    if (all) controller->OnServerConnectionLost(static_cast<int>(lParam));
                    break;
                case app::WM_DEVICE_ICONS_CHANGED: controller->OnIconsChanged(); break;
                default:
                    ++viewRecords;
                    controller->OnViewMessage(msg, static_cast<int>(wParam));
            }
        }
    } sink;
    // Served like the window: every notification reaches the controller, also while a
    // message box is up or the controller pumps messages.
    void ServeLikeTheWindow() {
        sink.controller = &controller;
        sink.all = true;
        ui.DeliverPostedMessages(true);
    }
    void Control(const std::string& json) {
        nifDesc_t session = 0;
        ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
        std::string answer;
        EXPECT_EQ(0, nifb::SendControl(session, json, answer)) << answer;
        nifClose(session);
    }
    size_t Said(const std::string& text) const {
        const auto texts = ui.Texts();
        return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
    }
    // Delivers posted messages until `done` holds (at most 5 s).
    template <typename F>
    bool PumpUntil(F done, int ms = 5000) {
        sink.controller = &controller;
        for (int i = 0; i < ms / 5 && !done(); ++i) {
            MessageDispatcher::Instance().DeliverPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
    WindowHandle notes = MessageDispatcher::Instance().Register(&sink);
    std::shared_ptr<simulator::SegmentBackend> backend;
    platform::testing::FakeClock clock;
    ScriptedUi ui;
    fieldbus::FieldbusLink link;
    FakeHost host;
    app::ViewController controller{link, host};
};

}  // namespace

TEST_F(ViewControllerTest, TreeListsEveryDeviceAfterOfflineAndOnlyPositionersCanBeSelected) {
    ASSERT_EQ(4u, host.tree.size());
    EXPECT_EQ("FV-101", host.tree[0].tag);
    EXPECT_EQ(app::DeviceIconKind::Positioner, host.tree[0].kind);
    EXPECT_EQ(app::DeviceIconKind::NotPositioner, host.tree[3].kind);
    EXPECT_EQ(0, host.selected);
    EXPECT_FALSE(controller.CanChangeSelection(ItemOf("PT-301")));  // refused without a message
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ViewControllerTest, SelectingOpensTheDeviceAndSelectingItAgainDoesNothing) {
    Select("FV-101");
    const int slot = link.ItemDevIndexMap(ItemOf("FV-101"));
    EXPECT_EQ(slot, controller.CurrentSlot());
    EXPECT_TRUE(link.Device(slot).IsOpen());
    EXPECT_EQ(slot, host.openedSlot);
    EXPECT_EQ("AO SCHED: Yes", host.aoSched);
    const size_t progress = ui.Progress().size();
    Select("FV-101");
    EXPECT_EQ(progress, ui.Progress().size());  // no second open
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ViewControllerTest, SwitchingAsksFirstAndNoKeepsTheDevice) {
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    ui.Answer(IDNO, "Attempting to switch from the selected device to OFFLINE file.");
    EXPECT_FALSE(controller.CanChangeSelection(0));
    EXPECT_TRUE(link.Device(slot).IsOpen());
    EXPECT_EQ(MB_DEFBUTTON2, ui.Last().defaultButton);
    ui.Answer(IDNO, "Attempting to switch the device selection.");
    EXPECT_FALSE(controller.CanChangeSelection(ItemOf("KV-201")));
    ui.Answer(IDYES, "Attempting to switch the device selection.");
    Select("KV-201");
    EXPECT_FALSE(link.Device(slot).IsOpen());
    EXPECT_TRUE(link.Device(controller.CurrentSlot()).IsOpen());
}

TEST_F(ViewControllerTest, ADeviceWithoutTagIsNotOpened) {
    const int item = ItemOf("");
    ASSERT_GT(item, 0);
    ASSERT_TRUE(controller.CanChangeSelection(item));
    controller.OnSelectionChanged(item);
    EXPECT_EQ("NOTE: The device tag is either empty or non-unique. \n\nRight click the device to select Tag/Address "
              "menu for changing or initialization \nbefore open the device.",
              ui.Last().text);
    EXPECT_EQ(-1, controller.CurrentSlot());
    EXPECT_EQ(0, host.selected);
}

TEST_F(ViewControllerTest, RescanIsRefusedWhileATrendWindowIsOpenBeforeAnyQuestion) {
    host.trendWindows = 1;
    controller.RescanLink();
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Please close all the trend windows before rescan the link for devices.", ui.Last().text);
    host.trendWindows = 0;
    ui.Answer(IDYES, "NOTE: Rescan the link for devices");
    controller.RescanLink();
    EXPECT_TRUE(link.IsLinkOpen());
    EXPECT_EQ(4u, host.tree.size());
}

TEST_F(ViewControllerTest, AnUnscheduledAoBlockAnsweredNoStaysUnscheduled) {
    Select("FV-101");
    fieldbus::FieldbusDevice& device = link.Device(controller.CurrentSlot());
    int number = 0;
    fieldbus::ScheduleEntry entry;
    ASSERT_EQ(0, device.FindScheduleEntry(5000, number, entry));
    ASSERT_GT(number, 0);
    const std::string name = "FB_START_ENTRY." + std::to_string(number);
    uint8_t disabled[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x88, 0, 0, 0, 0};
    ASSERT_EQ(0, device.WriteManagementObject(name, disabled, sizeof disabled));

    ui.Answer(IDNO, "NOTE: AO Block is found unscheduled.");
    controller.UpdateScheduleLabels(controller.CurrentSlot());
    EXPECT_EQ("AO SCHED: No", host.aoSched);
    EXPECT_EQ("NOTE: AO Block is unscheduled and the positioner will not function without AO block scheduled.",
              ui.Last().text);

    ui.Answer(IDYES, "Proceed to set the schedule for AO block with value of 0 ?");
    controller.UpdateScheduleLabels(controller.CurrentSlot());
    EXPECT_EQ("AO SCHED: Yes", host.aoSched);
}

// A device that stops answering: the window's own reads do not wait behind its readers, the
// loss is said once however many notifications arrive while the message is up, and the
// device opens again once it is back.
TEST_F(ViewControllerTest, ASilencedDeviceIsSaidOnceHoldsNothingUpAndOpensAgainWhenBack) {
    const int slot = link.ItemDevIndexMap(ItemOf("FV-101"));
    fieldbus::FieldbusDevice& device = link.Device(slot);
    for (int i = 0; i < fieldbus::kDeviceThreadCount; ++i)
        device.SetThreadPeriod(static_cast<fieldbus::DeviceThread>(i), 10);
    Select("FV-101");
    ServeLikeTheWindow();
    Control(R"({"command":"silence","device":"FV-101","afterMs":0,"forMs":60000})");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // every reader is inside a read now

    // The device answers nothing within 200 ms; six readers are waiting as well.
    const auto start = std::chrono::steady_clock::now();
    float pressure = 0;
    EXPECT_NE(0, device.ReadTbOutPressure(pressure));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700));

    ASSERT_TRUE(PumpUntil([&] { return controller.CurrentSlot() == -1; }));
    PumpUntil([] { return false; }, 300);  // more polls, more notifications
    const std::string lost = "********** Error ********** \n\nDevice FV-101 not responsive ! \n\nConnection terminated.";
    EXPECT_EQ(1u, Said(lost));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(0, device.AnyThreadAlive());
    EXPECT_FALSE(host.tree[0].present);
    EXPECT_EQ(-1, host.display.slot);

    Control(R"({"command":"silence","device":"FV-101","afterMs":0,"forMs":0})");
    ASSERT_TRUE(PumpUntil([&] { return link.IsPresent(slot) && host.tree[0].present; }));
    Select("FV-101");
    EXPECT_EQ(slot, controller.CurrentSlot());
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(1u, Said(lost));
}

// A restart that keeps the device off the bus far longer than the response time: waited for,
// then the device is reported closed and the link scanned again, without a loss message.
TEST_F(ViewControllerTest, ASlowRestartIsWaitedForThenTheDeviceIsClosedAndTheLinkRescanned) {
    Control(R"({"command":"speed","factor":40})");  // the 9 s restart passes in about a quarter second
    Select("FV-101");
    ServeLikeTheWindow();
    ui.Answer(IDYES, "Reboot device will cease operation");
    controller.RebootCommand();
    EXPECT_EQ(1u, Said("Device FV-101 has been closed."));
    for (const std::string& text : ui.Texts()) {
        EXPECT_EQ(std::string::npos, text.find("not responsive")) << text;
        EXPECT_EQ(std::string::npos, text.find("did not report back")) << text;
    }
    EXPECT_EQ(-1, controller.CurrentSlot());
    EXPECT_TRUE(link.IsLinkOpen());
    ASSERT_GT(ItemOf("FV-101"), 0);
    EXPECT_FALSE(link.Device(link.ItemDevIndexMap(ItemOf("FV-101"))).IsOpen());
}

// The companion device's blocks lie elsewhere (it has no PID block): opening it leaves the
// current device's accessors, and the process-wide block numbers, alone.
TEST_F(ViewControllerTest, OpeningACompanionKeepsTheCurrentDevicesBlocks) {
    Select("KV-201");
    fieldbus::FieldbusDevice& current = link.Device(controller.CurrentSlot());
    const int pid = current.BlockOf(fieldbus::BlockKind::PID);
    ASSERT_GE(pid, 0);
    float gain = 0;
    ASSERT_EQ(0, current.ReadPidGain(gain));
    ASSERT_EQ(0, controller.MakeCompanion(link.ItemDevIndexMap(ItemOf("FV-101"))));
    EXPECT_EQ(-1, link.Device(controller.CompanionSlot()).BlockOf(fieldbus::BlockKind::PID));
    EXPECT_EQ(pid, current.BlockOf(fieldbus::BlockKind::PID));
    EXPECT_EQ(pid, fieldbus::BlockId(fieldbus::BlockKind::PID));
    EXPECT_EQ(0, current.ReadPidGain(gain));
}

TEST_F(ViewControllerTest, ALostServerClosesTheDevicesAndEndsTheProgramOnceAlone) {
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    backend->Shutdown();
    controller.OnServerConnectionLost(E_SERVER_CONNECTION_LOST);
    EXPECT_EQ("Error (-45): E_SERVER_CONNECTION_LOST\n\nThe Fieldbus server has stopped, so the devices cannot be "
              "reached. Tessaro closes the open devices and ends.\nStart Tessaro again: it offers to launch the "
              "Fieldbus server.",
              ui.Last().text);
    EXPECT_FALSE(link.Device(slot).IsOpen());
    EXPECT_TRUE(host.closing);
    controller.OnServerConnectionLost(E_SERVER_CONNECTION_LOST);  // said once
    EXPECT_EQ(1u, ui.Messages().size());
}

TEST_F(ViewControllerTest, NotOpenNotificationDeselectsTheDeviceAndLogsALine) {
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    controller.OnDeviceNotOpen(slot);
    EXPECT_EQ("********** Error ********** \n\nDevice FV-101 not open and it is deselected !", ui.Last().text);
    EXPECT_EQ(-1, controller.CurrentSlot());
    EXPECT_EQ(0, host.selected);
    EXPECT_NE(std::string::npos, host.messageBox.find("Device FV-101 Error: Device Not Open @ "));
}

TEST_F(ViewControllerTest, TheCompanionIsPickedFromThePresentPositionersAndClosedWithTheCurrentDevice) {
    Select("FV-101");
    ui.Pick(0);
    controller.SelectCompanion();
    ASSERT_EQ(1u, ui.PickLists().size());
    // Neither the current device, nor the transmitter (and the untagged one cannot open).
    EXPECT_EQ((std::vector<std::string>{"KV-201", ""}), ui.PickLists()[0]);
    const int companion = controller.CompanionSlot();
    ASSERT_GT(companion, 0);
    EXPECT_EQ(companion, host.companion);
    EXPECT_TRUE(link.Device(companion).IsOpen());
    controller.CloseCurrentDevices();
    EXPECT_FALSE(link.Device(companion).IsOpen());
    EXPECT_EQ(-1, controller.CompanionSlot());
}

TEST_F(ViewControllerTest, CtrlFOnOfflineOpensTheFailSafeDialog) {
    controller.OnSelectionChanged(0);
    EXPECT_TRUE(host.offlineTimer);
    controller.OnOfflineTimerTick();
    EXPECT_EQ(0, host.failSafeShown);
    ui.SetKeyDown(Key::Control, true);
    ui.SetKeyDown(Key::F, true);
    controller.OnOfflineTimerTick();
    EXPECT_EQ(1, host.failSafeShown);
    Select("FV-101");
    EXPECT_FALSE(host.offlineTimer);
    controller.OnOfflineTimerTick();  // a device is current: nothing
    EXPECT_EQ(1, host.failSafeShown);
}

TEST_F(ViewControllerTest, TheShownStateFollowsTheReadersThroughTheStateCommands) {
    fieldbus::FieldbusDevice& device = link.Device(link.ItemDevIndexMap(ItemOf("FV-101")));
    for (auto thread : {fieldbus::DeviceThread::TbView3, fieldbus::DeviceThread::AoView1, fieldbus::DeviceThread::RbView1})
        device.SetThreadPeriod(thread, 20);
    Select("FV-101");
    ASSERT_TRUE(PumpUntil([&] { return host.display.shownState == 0; }));  // NORMAL STATE
    EXPECT_TRUE(host.display.hasMode[static_cast<size_t>(app::ShownBlock::AO)]);
    EXPECT_TRUE(host.display.hasValues);

    ui.Answer(IDYES);  // the out-of-service warning
    controller.SetOperationStateCommand(2);
    // OUT OF SERVICE as soon as AO is out of service; the TB reader may publish a moment later.
    EXPECT_TRUE(PumpUntil([&] {
        return host.display.shownState == 2 &&
               host.display.actualMode[static_cast<size_t>(app::ShownBlock::TB)] == fieldbus::kModeOos;
    }));
    EXPECT_EQ("OOS", app::ModeText(host.display.actualMode[static_cast<size_t>(app::ShownBlock::TB)]));

    controller.SetOperationStateCommand(1);  // from OUT OF SERVICE: no question
    EXPECT_TRUE(PumpUntil([&] { return host.display.shownState == 1; }));  // MANUAL STATE

    // The valve's position never matches its set point to the last digit.
    ui.Answer(IDYES, "Bumpless transfer has been configured.");
    controller.SetOperationStateCommand(0);
    EXPECT_TRUE(PumpUntil([&] { return host.display.shownState == 0; }));
    ui.Clear();
    controller.ShowOperationState();
    EXPECT_EQ("Device (FV-101) Operation State :\n\n      ***** NORMAL STATE *****", ui.Last().text);

    // Closing stops every reader of the device.
    const int slot = controller.CurrentSlot();
    controller.CloseCurrentDevices();
    EXPECT_EQ(0, link.Device(slot).AnyThreadAlive());
}

TEST_F(ViewControllerTest, ALinkMasterCapableDeviceBecomesLinkMasterAfterARestart) {
    Select("KV-201");
    EXPECT_EQ(app::DeviceIconKind::LinkMasterCapable, controller.IconKind(controller.CurrentSlot()));
    EXPECT_TRUE(controller.LinkMasterCommandEnabled() || logon::CurrentUser::Level() < 4);
    EXPECT_EQ("Set as Link &Master", controller.LinkMasterCommandText());
    ui.Answer(IDYES, "You have selected to set device as Link Master.");
    controller.LinkMasterCommand();
    EXPECT_EQ("Device KV-201 has been closed.", ui.Last().text);
    // The link was scanned again; the icon probe asks the device anew, off the window's thread.
    const int slot = link.ItemDevIndexMap(ItemOf("KV-201"));
    EXPECT_EQ(-1, controller.CurrentSlot());
    EXPECT_TRUE(PumpUntil([&] { return controller.IconKind(slot) == app::DeviceIconKind::LinkMaster; }));
}

TEST_F(ViewControllerTest, TagAndAddressChangeShowsItsProgressAndRescans) {
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    host.answerTagAddress = true;
    host.answerTag = "KV-201";  // another device's tag
    host.answerAddress = 30;
    controller.ChangeTagAddress(slot);
    EXPECT_EQ("Error: The device tag is not unique. No Tag/Address change will take into effect.", ui.Last().text);
    host.answerTag = "FV-111";
    host.answerAddress = -1;
    controller.ChangeTagAddress(slot);
    EXPECT_EQ("Error: The device address is not selected. No Tag/Address change will take into effect.",
              ui.Last().text);

    // Only free addresses are offered: not the host's, not another device's, not unpolled.
    for (uint8_t taken : {16, 21, 22, 24, 37, 222})
        EXPECT_EQ(host.offered.end(), std::find(host.offered.begin(), host.offered.end(), taken)) << int{taken};
    EXPECT_NE(host.offered.end(), std::find(host.offered.begin(), host.offered.end(), 20));  // its own
    // OK with nothing changed changes nothing.
    host.answerTag = "FV-101";
    host.answerAddress = 20;
    ui.Clear();
    controller.ChangeTagAddress(slot);
    EXPECT_TRUE(ui.Progress().empty());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(slot, controller.CurrentSlot());

    // Cancel before the change starts leaves the device as it was.
    host.answerTag = "FV-111";
    host.answerAddress = 30;
    ui.PressProgressButtonAfter(3);  // "Cancel" while the change is about to start
    controller.ChangeTagAddress(slot);
    ASSERT_FALSE(ui.Progress().empty());
    EXPECT_EQ("Handle Device Tag/Address Change : FV-101", ui.Progress()[0]->caption);
    EXPECT_NE(std::string::npos, ui.Progress()[0]->text.find("\r\n\r\nChanging device tag/address cancelled.\r\n"));
    EXPECT_GT(ItemOf("FV-101"), 0);
    EXPECT_EQ(-1, ItemOf("FV-111"));

    ui.PressProgressButtonAfter(4);  // "&CLOSE" once the result is shown
    controller.ChangeTagAddress(link.ItemDevIndexMap(ItemOf("FV-101")));
    std::shared_ptr<platform::testing::ProgressRecord> change;
    for (const auto& record : ui.Progress())
        if (record->caption == "Handle Device Tag/Address Change : FV-101") change = record;
    ASSERT_TRUE(change);
    const auto& progress = *change;
    EXPECT_EQ("Current Tag/Address before change : FV-101 / 0x14\r\n\r\n"
              "Attempting new Tag/Address :            FV-111 / 0x1e\r\n\r\n"
              "Processing Tag/Address change ...\r\n\r\n"
              "\r\n\r\nChanging device tag/address successful.\r\n",
              progress.text);
    EXPECT_EQ("&CLOSE", progress.buttonText);
    // The link was scanned again: the device shows its new tag and address.
    EXPECT_EQ(-1, controller.CurrentSlot());
    const int item = ItemOf("FV-111");
    ASSERT_GT(item, 0);
    EXPECT_EQ(30, link.GetNodeAddress(link.ItemDevIndexMap(item)));
}

TEST_F(ViewControllerTest, AConfigurationIsReadAndDownloadedToADeviceChosenFromTheList) {
    const config::CConfigData saved = config::CurrentConfig();
    config::CConfigData& data = config::CurrentConfig();
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    ASSERT_EQ(0, controller.ReadConfigurationCommand());
    EXPECT_EQ("FV-101", data.general.pdTag);
    const auto read = ui.Progress().back();
    EXPECT_EQ("Read configuration data from the device : FV-101", read->caption);
    EXPECT_TRUE(read->closed);  // a second after the last line
    // Completed commands are logged beside the failures, in the same form.
    const std::string readLine = "Device FV-101 Reading device configuration data successful. @ ";
    ASSERT_NE(std::string::npos, host.messageBox.find(readLine));
    EXPECT_EQ("\r\n", host.messageBox.substr(host.messageBox.find(readLine) + readLine.size() + 8, 2));
    // A cancel is logged once the read stopped.
    ui.PressProgressButtonAfter(1);
    EXPECT_EQ(1, controller.ReadConfigurationCommand());
    EXPECT_NE(std::string::npos, host.messageBox.find("Device FV-101 Reading device configuration data cancelled. @ "));
    ASSERT_EQ(0, controller.ReadConfigurationCommand());
    // Downloads choose their target from the list: not while a device is open.
    EXPECT_EQ(1, controller.DownloadConfigurationCommand());
    ui.Answer(IDYES, "OFFLINE");
    ASSERT_TRUE(controller.CanChangeSelection(0));
    controller.OnSelectionChanged(0);

    logon::CurrentUser::SetLevel(2);
    EXPECT_EQ(1, controller.DownloadConfigurationCommand());
    EXPECT_EQ("Attempted operation is unauthorized .", ui.Last().text);
    logon::CurrentUser::SetLevel(3);
    ui.Pick(1);  // KV-201 cannot take the configuration's tag
    EXPECT_EQ(1, controller.DownloadConfigurationCommand());
    EXPECT_EQ((std::vector<std::string>{"FV-101", "KV-201", ""}), ui.PickLists().back());
    EXPECT_EQ("Error: The new device tag FV-101 is not unique. Download is cancelled.", ui.Last().text);
    EXPECT_EQ(-1, controller.CurrentSlot());

    // A file of the other family is written only after a question; No leaves KV-201 untouched.
    fieldbus::FieldbusDevice& kv = link.Device(link.ItemDevIndexMap(ItemOf("KV-201")));
    const config::GeneralGroup general = data.general;
    data.general.pdTag = "KV-201";
    data.general.nodeAddress = link.GetNodeAddress(link.ItemDevIndexMap(ItemOf("KV-201")));
    ui.Pick(1).Answer(IDNO, "of another family: KPX110 positioner");
    EXPECT_EQ(2, controller.DownloadConfigurationCommand());
    EXPECT_EQ(-1, controller.CurrentSlot());
    EXPECT_FALSE(kv.IsOpen());
    data.general = general;

    data.position.servoGain = 140.0f;
    ui.Pick(0).Answer(IDYES, "Current Tag/Address before download: FV-101 / 0x14\r\n\r\nAttempting new Tag/Address : "
                             "             FV-101 / 0x14\r\n\r\nAre you sure");
    // At the end the blocks are offered the modes they had before the download.
    ui.Answer(IDYES, "Put the blocks of FV-101 back into the modes they had before the download (RB AUTO, TB AUTO");
    EXPECT_EQ(0, controller.DownloadConfigurationCommand());
    EXPECT_EQ(slot, controller.CurrentSlot());
    const auto download = ui.Progress().back();
    EXPECT_EQ("Download configuration data to the device : FV-101", download->caption);
    EXPECT_NE(std::string::npos, download->text.find("\r\nDownloading device configuration data successful.\r\n"));
    float gain = 0;
    fieldbus::FieldbusDevice& device = link.Device(slot);
    ASSERT_EQ(0, device.ReadTbServoGain(gain));
    EXPECT_EQ(140.0f, gain);
    uint8_t mode = 0;
    ASSERT_EQ(0, device.ReadActualMode(device.BlockOf(fieldbus::BlockKind::TB), mode));
    EXPECT_NE(0x01, mode);  // back to work
    EXPECT_NE(std::string::npos, host.messageBox.find("Device FV-101 Downloading device configuration data successful. @ "));
    for (const std::string& text : ui.Texts()) EXPECT_EQ(std::string::npos, text.find("Out of service on FV-101: RB"));

    // No leaves them out of service, and says so.
    controller.OnSelectionChanged(0);
    ui.Pick(0).Answer(IDYES, "Current Tag/Address").Answer(IDNO, "Put the blocks of FV-101 back");
    EXPECT_EQ(0, controller.DownloadConfigurationCommand());
    EXPECT_NE(std::string::npos, ui.Texts().back().find("Out of service on FV-101: RB, TB, AO"));
    ASSERT_EQ(0, device.ReadActualMode(device.BlockOf(fieldbus::BlockKind::TB), mode));
    EXPECT_EQ(0x01, mode);
    logon::CurrentUser::Reset();
    config::CurrentConfig() = saved;
}

TEST_F(ViewControllerTest, ConfigureWritesThroughTheSheetRemembersTheRevisionsAndHandsTheTagToTheView) {
    const config::CConfigData saved = config::CurrentConfig();
    config::CConfigData& data = config::CurrentConfig();
    bool sheetShown = false;
    // Without a device the sheet works on the record alone, whoever is logged on.
    logon::CurrentUser::SetLevel(0);
    EXPECT_EQ(0, controller.ConfigureCommand([&](const config::SheetTarget& target) {
        sheetShown = true;
        EXPECT_EQ(nullptr, target.device);
        EXPECT_EQ(" (No Device Attached)", target.deviceSuffix);
        return config::SheetOutcome{};
    }));
    EXPECT_TRUE(sheetShown);

    Select("FV-101");
    const int slot = controller.CurrentSlot();
    ASSERT_EQ(0, controller.ReadConfigurationCommand());
    sheetShown = false;
    auto noSheet = [&](const config::SheetTarget&) {
        sheetShown = true;
        return config::SheetOutcome{};
    };
    EXPECT_EQ(1, controller.ConfigureCommand(noSheet));
    EXPECT_EQ("Attempted operation is unauthorized .", ui.Last().text);
    EXPECT_FALSE(sheetShown);

    logon::CurrentUser::SetLevel(3);
    ui.Answer(IDYES, "To set the configuration data");
    EXPECT_EQ(0, controller.ConfigureCommand([&](const config::SheetTarget& target) {
        EXPECT_EQ(" (FV-101)", target.deviceSuffix);
        EXPECT_TRUE(target.offerCurrentAddress);
        config::SheetEdits edits{data, {}};
        edits.data.position.servoGain = 141.0f;
        edits.data.general.pdTag = "FV-111";
        edits.data.general.nodeAddress = 30;
        const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, data, target);
        ui.PressProgressButtonAfter(4);  // "&CLOSE" of the tag/address change that follows
        return outcome;
    }));
    // The writes raised the transducer block's revision; the record remembered the new one.
    uint16_t tbRevision = 0;
    backend->GetSegment().WithDevice("FV-111", [&](simulator::Device* device) {
        ASSERT_NE(nullptr, device);
        tbRevision = simulator::GetU16BE(device->BlockByKind("TB")->Obj("ST_REV")->value, 0);
        EXPECT_EQ(141.0f, device->BlockByKind("TB")->GetFloat("SERVO_GAIN"));
    });
    EXPECT_NE(0, tbRevision);
    EXPECT_EQ(tbRevision, data.blockStaticRevisions[config::RevTB]);
    // The view changed tag and address and scanned the link again; the record took them.
    EXPECT_EQ("FV-111", data.general.pdTag);
    EXPECT_EQ(30, data.general.nodeAddress);
    EXPECT_GT(ItemOf("FV-111"), 0);
    EXPECT_NE(slot, controller.CurrentSlot());
    logon::CurrentUser::Reset();
    config::CurrentConfig() = saved;
}

TEST_F(ViewControllerTest, ConfigureNeverOffersAnotherDevicesConfigurationForWriting) {
    const config::CConfigData saved = config::CurrentConfig();
    config::CConfigData& data = config::CurrentConfig();
    logon::CurrentUser::SetLevel(3);
    Select("FV-101");
    ASSERT_EQ(0, controller.ReadConfigurationCommand());
    data.position.servoGain = 222.0f;  // an edit made for FV-101 (setup wizard, pages)
    ui.Answer(IDYES, "Attempting to switch the device selection.");
    Select("KV-201");
    int sheets = 0;
    std::string shownTag;
    float shownGain = 0;
    auto sheet = [&](const config::SheetTarget&) {
        ++sheets;
        shownTag = data.general.pdTag;
        shownGain = data.position.servoGain;
        return config::SheetOutcome{};
    };
    // Declined: no sheet, and the record stays as it was.
    ui.Answer(IDNO, "The configuration in memory is not the one of KV-201 (it came from FV-101).");
    EXPECT_EQ(0, controller.ConfigureCommand(sheet));
    EXPECT_EQ(0, sheets);
    EXPECT_EQ("FV-101", data.general.pdTag);
    // Accepted: the device's own configuration is read first and the sheet shows it.
    ui.Answer(IDYES, "Read the configuration of KV-201 now ?");
    EXPECT_EQ(0, controller.ConfigureCommand(sheet));
    EXPECT_EQ(1, sheets);
    EXPECT_EQ("KV-201", shownTag);
    EXPECT_NE(222.0f, shownGain);
    EXPECT_EQ(link.GetDeviceId(controller.CurrentSlot()), data.general.deviceId);
    // The record is KV-201's now: no further question.
    EXPECT_EQ(0, controller.ConfigureCommand(sheet));
    EXPECT_EQ(2, sheets);
    logon::CurrentUser::Reset();
    config::CurrentConfig() = saved;
}

TEST_F(ViewControllerTest, ValuesThatStopArrivingAreMarkedStaleAndFreshAgainWhenTheyCome) {
    Select("FV-101");
    ASSERT_TRUE(PumpUntil([&] { return host.display.hasValues; }));
    controller.CheckValuesAge();
    EXPECT_EQ(0, host.display.staleSeconds);
    // The readers stop (as while a tool drives the device, or a server that pauses).
    controller.PauseDeviceThreads();
    PumpUntil([] { return false; }, 100);
    clock.Advance(app::kStaleValuesMs + 1000);
    controller.CheckValuesAge();
    EXPECT_EQ(6, host.display.staleSeconds);
    EXPECT_TRUE(host.display.hasValues);  // still shown, marked with their age
    controller.ResumeDeviceThreads();
    ASSERT_TRUE(PumpUntil([&] { return host.display.staleSeconds == 0; }));
}

TEST_F(ViewControllerTest, AServerThatStoppedAnsweringOffersToScanTheLinkAgainInsteadOfEnding) {
    Select("FV-101");
    const int slot = controller.CurrentSlot();
    ui.Answer(IDYES, "Yes: close the open devices and scan the link again");
    controller.OnServerConnectionLost(E_SERVER_NOT_RESPONDING);
    EXPECT_FALSE(host.closing);
    EXPECT_FALSE(link.Device(slot).IsOpen());
    EXPECT_TRUE(link.IsLinkOpen());
    EXPECT_GT(ItemOf("FV-101"), 0);
    // A later loss is asked again; No ends the program as before.
    ui.Answer(IDNO, "No: close the open devices and end Tessaro.");
    controller.OnServerConnectionLost(E_SERVER_NOT_RESPONDING);
    EXPECT_TRUE(host.closing);
}

TEST_F(ViewControllerTest, ABlockLeftOutOfItsNormalModeIsNamedBesideTheState) {
    Select("KV-201");
    const auto known = [&] {
        return host.display.hasMode[static_cast<size_t>(app::ShownBlock::PID)] &&
               host.display.shownState == fieldbus::kNormalState;
    };
    ASSERT_TRUE(PumpUntil(known));
    EXPECT_EQ("", app::BlocksOutOfNormalMode(host.display));
    // The PID block left out of service (as after a tool) while the state stays NORMAL.
    fieldbus::FieldbusDevice& device = link.Device(controller.CurrentSlot());
    ASSERT_EQ(0, device.SetBlockMode(device.BlockOf(fieldbus::BlockKind::PID), fieldbus::kModeOos));
    ASSERT_TRUE(PumpUntil([&] { return !app::BlocksOutOfNormalMode(host.display).empty(); }));
    EXPECT_EQ(fieldbus::kNormalState, host.display.shownState);
    EXPECT_EQ(0u, app::BlocksOutOfNormalMode(host.display).find("PID OOS (normal ")) << app::BlocksOutOfNormalMode(host.display);
}

TEST_F(ViewControllerTest, NormalStateNamesTheValveMoveBeforeAPidHeldInManMovesIt) {
    const config::CConfigData saved = config::CurrentConfig();
    config::CurrentConfig().option.bumplessTransfer = 0;  // only the move is asked about
    Select("KV-201");
    fieldbus::FieldbusDevice& device = link.Device(controller.CurrentSlot());
    const int ao = device.BlockOf(fieldbus::BlockKind::AO);
    const int pid = device.BlockOf(fieldbus::BlockKind::PID);
    ASSERT_GE(pid, 0);
    // The valve held at 50 % in MANUAL STATE, the PID block left in MAN with its output at 92.8 %.
    ASSERT_EQ(0, device.SetOperationState(fieldbus::kManualState, 0, false, false));
    ASSERT_EQ(0, fieldbus::WriteTypedValue(device, ao, "OUT.VALUE", 50.0f, fieldbus::Wire::F32));
    ASSERT_EQ(0, device.SetBlockMode(pid, fieldbus::kModeMan));
    ASSERT_EQ(0, fieldbus::WriteTypedValue(device, pid, "OUT.VALUE", 92.8f, fieldbus::Wire::F32));
    auto aoValue = [&](const char* name) {
        fieldbus::StatusValue value;
        EXPECT_EQ(0, fieldbus::ReadTypedValue(device, ao, name, value, fieldbus::Wire::StatusValue));
        return value.value;
    };
    ASSERT_TRUE(PumpUntil([&] {
        return std::abs(aoValue("PV") - 50.0f) < 0.5f && std::abs(aoValue("CAS_IN") - 92.8f) < 0.01f;
    }));
    const auto question = [&] {
        for (const auto& m : ui.Messages())
            if (m.text.find("NORMAL STATE the valve will move") != std::string::npos) return m;
        return platform::testing::ShownMessage{};
    };

    // No: nothing is written, the valve stays where it is.
    ui.Answer(IDNO, "In NORMAL STATE the valve will move from 50.0 % to 92.8 %.");
    controller.SetOperationStateCommand(fieldbus::kNormalState);
    const auto asked = question();
    EXPECT_NE(std::string::npos, asked.text.find("AO CAS_IN = 92.8 %"));
    EXPECT_NE(std::string::npos, asked.text.find("a PID block in MAN"));
    EXPECT_EQ(MB_DEFBUTTON2, asked.defaultButton);
    uint8_t mode = 0;
    ASSERT_EQ(0, device.ReadActualMode(ao, mode));
    EXPECT_EQ(fieldbus::kModeMan, mode);
    EXPECT_NEAR(50.0f, aoValue("OUT"), 0.01f);

    // Yes: the AO block follows the PID output, as announced.
    ui.Answer(IDYES, "from 50.0 % to 92.8 %");
    controller.SetOperationStateCommand(fieldbus::kNormalState);
    ASSERT_EQ(0, device.ReadActualMode(ao, mode));
    EXPECT_EQ(fieldbus::kModeCas, mode);
    EXPECT_TRUE(PumpUntil([&] { return std::abs(aoValue("SP") - 92.8f) < 0.01f; }));

    // In cascade already: Normal State moves nothing and asks nothing.
    ui.Clear();
    controller.SetOperationStateCommand(fieldbus::kNormalState);
    EXPECT_TRUE(ui.Messages().empty());
    config::CurrentConfig() = saved;
}

// The block views arrive every few seconds; one that changes nothing on the page does not
// draw it again, one with a new mode does.
TEST_F(ViewControllerTest, ARecordThatChangesNothingShownLeavesThePageAlone) {
    Select("KV-201");
    const auto known = [&] {
        return host.display.hasMode[static_cast<size_t>(app::ShownBlock::PID)] &&
               host.display.shownState == fieldbus::kNormalState;
    };
    ASSERT_TRUE(PumpUntil(known));
    fieldbus::FieldbusDevice& device = link.Device(controller.CurrentSlot());
    device.StopTbView3();  // its values move with the simulated process
    PumpUntil([] { return false; }, 300);
    const int drawn = host.displays;
    const int records = sink.viewRecords;
    device.RequestRefreshAoView1(true);
    device.RequestRefreshRbView1(true);
    ASSERT_TRUE(PumpUntil([&] { return sink.viewRecords >= records + 2; }, 10000));
    EXPECT_EQ(drawn, host.displays);

    ASSERT_EQ(0, device.SetBlockMode(device.BlockOf(fieldbus::BlockKind::PID), fieldbus::kModeOos));
    device.RequestRefreshPidView3(true);
    ASSERT_TRUE(PumpUntil([&] { return !app::BlocksOutOfNormalMode(host.display).empty(); }, 10000));
    EXPECT_GT(host.displays, drawn);
}

// The live list is polled every few seconds: a poll that finds the list as the tree shows it
// leaves the tree alone; one that finds a device gone draws it again.
TEST_F(ViewControllerTest, APollThatFindsTheListUnchangedLeavesTheTreeAlone) {
    ServeLikeTheWindow();
    PumpUntil([] { return false; }, 200);  // the icon probe's first answers
    const int drawn = host.treesDrawn;
    for (int poll = 0; poll < 3; ++poll) controller.OnLiveListChanged();
    EXPECT_EQ(drawn, host.treesDrawn);
    EXPECT_TRUE(host.tree[0].present);

    Control(R"({"command":"silence","device":"FV-101","afterMs":0,"forMs":60000})");
    ASSERT_TRUE(PumpUntil([&] { return !host.tree[0].present; }));
    EXPECT_GT(host.treesDrawn, drawn);
}
