#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "fieldbus/FieldbusLink.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "nifb/NifbRequest.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "simulator/InProcessSegment.h"

using namespace fieldbus;
using platform::testing::FakeClock;
using platform::testing::ScriptedUi;

namespace {

std::string Positioner(int n, int address, const std::string& tag) {
    std::ostringstream s;
    s << R"({"family":"RPX","deviceType":1,"deviceRevision":2,"serial":"S)" << 1000 + n << R"(","tag":")" << tag
      << R"(","address":)" << address << R"(,"blockTagPrefix":"B)" << n << R"("})";
    return s.str();
}

std::string Interface(const std::string& name, const std::string& devices, const std::string& extra = "") {
    return R"({"name":")" + name + R"(","description":"H1 LINK","type":"H1")" + extra +
           R"(,"devices":[)" + devices + "]}";
}

std::string Segment(const std::string& interfaces) {
    return R"({"name":"test","settleMs":0,"interfaces":[)" + interfaces + "]}";
}

std::string ThreeDevices() {
    return Positioner(1, 20, "FV-101") + "," + Positioner(2, 21, "FV-102") + "," +
           R"({"kind":"transmitter","manufacturerId":"5A5401","deviceType":2561,"serial":"T1","tag":"PT-301","address":24,"blockTagPrefix":"PT"})";
}

// Records the notifications the link posts.
struct Notifications : platform::MessageTarget {
    std::vector<std::pair<unsigned, intptr_t>> got;
    platform::WindowHandle handle = platform::MessageDispatcher::Instance().Register(this);
    ~Notifications() override { platform::MessageDispatcher::Instance().Unregister(handle); }
    void OnMessage(unsigned msg, uintptr_t, intptr_t lParam) override { got.emplace_back(msg, lParam); }
    int Count(unsigned msg) {
        platform::MessageDispatcher::Instance().DeliverPending();
        int n = 0;
        for (auto& m : got) n += m.first == msg;
        return n;
    }
};

class FieldbusLinkTest : public ::testing::Test {
protected:
    void Use(const std::string& json) {
        std::string error;
        backend = simulator::UseInProcessSegment(json, simulator::LoadOptions{}, error);
        ASSERT_TRUE(backend) << error;
    }
    void TearDown() override {
        link.CloseLink();
        nifUseServer();
        MessageLog::Instance().Clear();
    }
    // Waits (real time) until `done` holds or 5 s passed.
    template <typename F>
    bool WaitFor(F done) {
        for (int i = 0; i < 500; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    }
    void Control(const std::string& json) {
        nifDesc_t session = 0;
        ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
        std::string answer;
        EXPECT_EQ(0, nifb::SendControl(session, json, answer)) << answer;
        nifClose(session);
    }

    std::shared_ptr<simulator::SegmentBackend> backend;
    FakeClock clock;  // the scan's pauses pass at once
    FieldbusLink link;
};

}  // namespace

TEST_F(FieldbusLinkTest, ScanWithOneInterfaceListsItsDevicesWithTheProgressTexts) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    ASSERT_EQ(1u, ui.Progress().size());
    EXPECT_EQ("Open the communication session and scan the link", ui.Progress()[0]->caption);
    EXPECT_EQ("Opening communication session ...\r\nOpen communication session successful.\r\n"
              "Getting the Interface List ...\r\nGet the Interface List successful.\r\nOpening the Link ...\r\n"
              "Open the Link successful.\r\nGetting the Device List ...\r\n\r\nScanning Link successful.",
              ui.Progress()[0]->text);
    EXPECT_TRUE(ui.Progress()[0]->closed);
    EXPECT_TRUE(link.IsLinkOpen());
    EXPECT_EQ("Interface0-0", link.InterfaceName());
    // The host interface's own record (class 2) is not listed.
    EXPECT_EQ(4, link.DisplayItemCount());
    EXPECT_EQ(3, link.PresentCount());
    EXPECT_EQ("FV-101", link.GetTag(link.ItemDevIndexMap(1)));
    EXPECT_EQ(20, link.GetNodeAddress(link.ItemDevIndexMap(1)));
    EXPECT_TRUE(link.IsPositioner(link.ItemDevIndexMap(1)));
    EXPECT_FALSE(link.IsPositioner(link.ItemDevIndexMap(3)));
    // The host interface runs the link and reports its setting.
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(37, link.FirstUnpolledNode());
    EXPECT_EQ(186, link.NumUnpolledNodes());
    EXPECT_EQ(0, link.ScanLink());  // already open: nothing happens
    EXPECT_EQ(1u, ui.Progress().size());
}

TEST_F(FieldbusLinkTest, TwoInterfacesBeepAndOfferAPickListWithoutAPickTheScanEndsOffline) {
    Use(Segment(Interface("Interface0-0", Positioner(1, 20, "FV-101")) + "," +
                Interface("Interface1-0", Positioner(2, 21, "FV-102"))));
    {
        ScriptedUi ui;
        ui.Pick(-1);
        EXPECT_EQ(1, link.ScanLink());
        EXPECT_EQ(1, ui.Beeps());
        ASSERT_EQ(1u, ui.PickLists().size());
        EXPECT_EQ((std::vector<std::string>{"Interface0-0", "Interface1-0"}), ui.PickLists()[0]);
        const std::string& text = ui.Progress()[0]->text;
        EXPECT_NE(std::string::npos, text.find("\r\nUnable to open a communication session.\r\n\r\n\r\n"
                                               "********** OFFLINE ONLY **********"));
        EXPECT_EQ("OK", ui.Progress()[0]->buttonText);
        EXPECT_FALSE(link.IsLinkOpen());
    }
    ScriptedUi ui;
    ui.Pick(1);
    ASSERT_EQ(0, link.ScanLink());
    EXPECT_EQ("Interface1-0", link.InterfaceName());
    EXPECT_EQ("FV-102", link.GetTag(link.ItemDevIndexMap(1)));
}

TEST_F(FieldbusLinkTest, EthernetInterfaceIsUsableOnlyInTheMakerEditionWithALinkingDevice) {
    const std::string enet =
        R"({"name":"Enet","description":"ETHERNET INTERFACE","type":"Ethernet","hostId":"ENETHOST","devices":[],)"
        R"("liveList":[{"deviceId":"LINKDEV1","tag":"LD","address":17,"classFlags":32},)"
        R"({"deviceId":"H1HOST0","tag":"","address":16,"classFlags":16}]})";
    Use(Segment(Interface("Interface0-0", Positioner(1, 20, "FV-101"), R"(,"hostId":"H1HOST0")") + "," + enet));
    {
        ScriptedUi ui;  // maker edition: both usable, so the user picks
        ui.Pick(0);
        ASSERT_EQ(0, link.ScanLink());
        EXPECT_EQ((std::vector<std::string>{"Interface0-0", "Enet"}), ui.PickLists()[0]);
        link.CloseLink();
    }
    ScriptedUi ui;  // partner edition: no Ethernet, and the H1 link reached through it is dropped
    link.SetMakerEdition(false);
    EXPECT_EQ(1, link.ScanLink());
    EXPECT_TRUE(ui.PickLists().empty());
}

TEST_F(FieldbusLinkTest, FortyDevicesFillThirtyOneItemsWithTheNoteSaidOnceAndNeverFromThePoll) {
    std::string devices;
    for (int i = 0; i < 40; ++i) devices += (i ? "," : "") + Positioner(i, 20 + i, "D" + std::to_string(i));
    // The host's own record sits at the end of the list, so the 32 records read are devices.
    Use(Segment(Interface("Interface0-0", devices, R"(,"hostAddress":250)")));
    ScriptedUi ui;  // fails the test if the poll thread shows a box itself
    ASSERT_EQ(0, link.ScanLink());
    EXPECT_EQ(32, link.LiveEntryCount());  // one read holds at most 32 records
    EXPECT_EQ(32, link.DisplayItemCount());
    EXPECT_EQ(31, link.PresentCount());
    const std::string note =
        "NOTE: The device list display is full. To add new device(s), remove unresponsive/unconnected devices from "
        "the list, \nthen re-scan the link for all the devices.";
    auto NotesSaid = [&] {
        const auto texts = ui.Texts();
        return std::count(texts.begin(), texts.end(), note);
    };
    EXPECT_EQ(1, NotesSaid());

    // Every poll meets the device that does not fit again: nothing more is said. Once a
    // device dropped off and was removed, the next one that does not fit is said once more,
    // on the window's thread.
    Notifications notes;
    link.SetPollPeriodMs(10);
    ASSERT_EQ(0, link.StartLivePoll(notes.handle));
    ASSERT_TRUE(WaitFor([&] { return notes.Count(WM_LIVELIST_CHANGED) >= 5; }));
    EXPECT_EQ(1, NotesSaid());
    const int gone = link.ItemDevIndexMap(31);
    Control(R"({"command":"silence","device":"D30","afterMs":0,"forMs":100000})");
    ASSERT_TRUE(WaitFor([&] { return !link.IsPresent(gone); }));
    link.SetPollPause(true);
    ASSERT_EQ(0, link.RemoveDevice(gone));
    link.SetPollPause(false);
    ASSERT_TRUE(WaitFor([&] { return link.DisplayItemCount() == 32 && notes.Count(WM_LIVELIST_CHANGED) > 10; }));
    ASSERT_TRUE(WaitFor([&] { return notes.Count(WM_LIVELIST_CHANGED) > 20 && NotesSaid() >= 2; }));
    EXPECT_EQ(2, NotesSaid());
    link.StopLivePoll();
}

TEST_F(FieldbusLinkTest, ADeviceThatDropsOffStaysListedAndReturnsToItsSlot) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    const int slot = link.ItemDevIndexMap(2);
    Notifications notes;
    link.SetPollPeriodMs(20);
    ASSERT_EQ(0, link.StartLivePoll(notes.handle));
    Control(R"({"command":"silence","device":"FV-102","afterMs":0,"forMs":600})");
    EXPECT_TRUE(WaitFor([&] { return !link.IsPresent(slot); }));
    EXPECT_EQ(4, link.DisplayItemCount());
    EXPECT_EQ(slot, link.ItemDevIndexMap(2));
    EXPECT_TRUE(WaitFor([&] { return link.IsPresent(slot); }));
    EXPECT_EQ(slot, link.ItemDevIndexMap(2));
    EXPECT_EQ(4, link.DisplayItemCount());
    link.StopLivePoll();
    EXPECT_GT(notes.Count(WM_LIVELIST_CHANGED), 1);
    EXPECT_FALSE(link.IsPollRunning());
}

TEST_F(FieldbusLinkTest, OnlyAbsentDevicesCanBeRemovedAndTheGapCloses) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    const int first = link.ItemDevIndexMap(1), second = link.ItemDevIndexMap(2), third = link.ItemDevIndexMap(3);
    EXPECT_EQ(1, link.RemoveDevice(second));
    EXPECT_EQ("Error: Cannot remove a live device.", ui.Last().text);
    EXPECT_EQ(1, link.RemoveDevice(0));
    EXPECT_EQ("Error: Invalid device index for removal encountered.", ui.Last().text);

    Notifications notes;
    link.SetPollPeriodMs(20);
    ASSERT_EQ(0, link.StartLivePoll(notes.handle));
    Control(R"({"command":"silence","device":"FV-102","afterMs":0,"forMs":100000})");
    ASSERT_TRUE(WaitFor([&] { return !link.IsPresent(second); }));
    link.StopLivePoll();
    EXPECT_EQ(0, link.RemoveDevice(second));
    EXPECT_EQ(3, link.DisplayItemCount());
    EXPECT_EQ(first, link.ItemDevIndexMap(1));
    EXPECT_EQ(third, link.ItemDevIndexMap(2));
    EXPECT_EQ(2, link.DevIndexItemMap(third));
    EXPECT_EQ(0, link.ItemDevIndexMap(3));
    EXPECT_EQ("Error: Invalid index in GetItemDevIndexMap() encountered.", ui.Last().text);
}

TEST_F(FieldbusLinkTest, AddressValidity) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    const int slot = link.ItemDevIndexMap(1);  // FV-101 at 20; FV-102 at 21
    EXPECT_FALSE(link.IsAddressValid(slot, 15));
    EXPECT_FALSE(link.IsAddressValid(slot, 248));
    EXPECT_FALSE(link.IsAddressValid(slot, 21));  // another device's
    EXPECT_TRUE(link.IsAddressValid(slot, 20));   // its own
    EXPECT_TRUE(link.IsAddressValid(slot, 30));
    // Unpolled range 37 .. 222.
    EXPECT_TRUE(link.IsAddressValid(slot, 36));
    EXPECT_FALSE(link.IsAddressValid(slot, 37));
    EXPECT_FALSE(link.IsAddressValid(slot, 222));
    EXPECT_TRUE(link.IsAddressValid(slot, 223));
    EXPECT_FALSE(link.IsTagUnique(slot, "FV-102"));
    EXPECT_TRUE(link.IsTagUnique(slot, "FV-101"));
    EXPECT_TRUE(link.IsTagUnique(slot, "NEW"));
}

// What the device is asked to do, with the device taking a new operational address only from
// a default address (as a real device does); a chosen call can be made to fail.
class AddressRules : public nifb::Backend {
public:
    explicit AddressRules(std::shared_ptr<nifb::Backend> inner) : inner_(std::move(inner)) {}
    nifb::Response Call(const nifb::Request& r) override {
        if (r.op != nifb::Op::SetAddress) return inner_->Call(r);
        const uint32_t address = r.arg[0];
        std::lock_guard<std::mutex> lock(mutex_);
        asked.push_back(address);
        if (failCalls.count(static_cast<int>(asked.size())) != 0) return nifb::Fail(E_COMM_ERROR);
        if (address < 248 && !atDefault_) return nifb::Fail(E_OBJECT_STATE_CONFLICT);
        nifb::Response answer = inner_->Call(r);
        if (answer.status == E_OK) atDefault_ = address >= 248;
        return answer;
    }
    std::vector<uint32_t> asked;
    std::set<int> failCalls;  // 1-based numbers of the SetAddress calls that fail

private:
    std::shared_ptr<nifb::Backend> inner_;
    std::mutex mutex_;
    bool atDefault_ = false;
};

TEST_F(FieldbusLinkTest, AddressChangesPassTheDefaultAddressAndAreCheckedAgainFirst) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    auto rules = std::make_shared<AddressRules>(backend);
    nifb::UseInProcessBackend(rules);
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    const int slot = link.ItemDevIndexMap(1);  // FV-101 at 20; FV-102 at 21, PT-301 at 24, host at 16
    const std::vector<uint8_t> offered = link.ValidAddresses(slot);
    for (uint8_t taken : {16, 21, 24, 37, 100, 222})
        EXPECT_EQ(offered.end(), std::find(offered.begin(), offered.end(), taken)) << int{taken};
    for (uint8_t free : {17, 20, 36, 223, 247})
        EXPECT_NE(offered.end(), std::find(offered.begin(), offered.end(), free)) << int{free};

    // Refused before the device is touched: an address in use, one in the unpolled range.
    EXPECT_EQ(1, link.ChangeTagAddress(slot, "FV-101", 21));
    EXPECT_EQ("Error: The device address 0x15 is either invalid or non-unique. No Tag/Address change will take "
              "into effect.",
              ui.Last().text);
    EXPECT_EQ(1, link.ChangeTagAddress(slot, "FV-101", 40));
    EXPECT_EQ(0, link.ChangeTagAddress(slot, "FV-101", 20));  // nothing to change
    EXPECT_TRUE(rules->asked.empty());

    // An address of its own: by way of the default address.
    ui.Clear();
    ASSERT_EQ(0, link.ChangeTagAddress(slot, "FV-101", 30));
    EXPECT_EQ((std::vector<uint32_t>{248, 30}), rules->asked);
    EXPECT_TRUE(ui.Messages().empty());

    // The new address fails half way: the device is put back and the caller is told so.
    link.CloseLink();
    ASSERT_EQ(0, link.ScanLink());
    const int again = link.ItemDevIndexMap(3);
    ASSERT_EQ(30, link.GetNodeAddress(again));
    rules->asked.clear();
    rules->failCalls = {2};
    std::string outcome;
    EXPECT_EQ(1, link.ChangeTagAddress(again, "FV-101", 31, &outcome));
    EXPECT_EQ((std::vector<uint32_t>{248, 31, 30}), rules->asked);
    EXPECT_EQ("The device was not changed: it keeps tag FV-101 at address 0x1e.", outcome);
    EXPECT_EQ("Error: Failed to set the device address.", ui.Texts().front());

    // The new address fails and so does the way back: the text says where the device is left
    // and what to do.
    rules->asked.clear();
    rules->failCalls = {2, 3};
    EXPECT_EQ(1, link.ChangeTagAddress(again, "FV-101", 31, &outcome));
    EXPECT_EQ("The device (tag FV-101) sits at the temporary default address 0xf8, where it cannot be opened. "
              "Rescan the link, then choose Tag/Address for it again to give it an operational address.",
              outcome);
}

TEST_F(FieldbusLinkTest, TagAndAddressChangeReachTheDevice) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    const int slot = link.ItemDevIndexMap(1);
    ASSERT_EQ(0, link.ChangeTagAddress(slot, "FV-111", 30));
    EXPECT_TRUE(ui.Messages().empty());
    link.CloseLink();
    ASSERT_EQ(0, link.ScanLink());
    // The live list is ordered by address: the changed device now comes last.
    EXPECT_EQ("FV-102", link.GetTag(link.ItemDevIndexMap(1)));
    const int again = link.ItemDevIndexMap(3);
    EXPECT_EQ("FV-111", link.GetTag(again));
    EXPECT_EQ(30, link.GetNodeAddress(again));
    // Only the address: the tag stays.
    ASSERT_EQ(0, link.ChangeTagAddress(again, "FV-111", 31));
    link.CloseLink();
    ASSERT_EQ(0, link.ScanLink());
    EXPECT_EQ("FV-111", link.GetTag(link.ItemDevIndexMap(3)));
    EXPECT_EQ(31, link.GetNodeAddress(link.ItemDevIndexMap(3)));
}

TEST_F(FieldbusLinkTest, LostServerEndsThePollWithMessage0x479AndALogLine) {
    Use(Segment(Interface("Interface0-0", ThreeDevices())));
    ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    Notifications notes;
    link.SetPollPeriodMs(20);
    ASSERT_EQ(0, link.StartLivePoll(notes.handle));
    backend->Shutdown();
    ASSERT_TRUE(WaitFor([&] { return !link.IsPollRunning(); })) << ::testing::PrintToString(MessageLog::Instance().Peek());
    EXPECT_FALSE(link.IsLinkHealthy());
    EXPECT_EQ(1, notes.Count(WM_SERVER_CONNECTION_LOST));
    bool found = false;
    for (auto& m : notes.got) found = found || (m.first == WM_SERVER_CONNECTION_LOST && m.second == -45);
    EXPECT_TRUE(found);
    auto lines = MessageLog::Instance().Peek();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(0u, lines.back().find("Link Comm Error (-45): E_SERVER_CONNECTION_LOST @ "));
    EXPECT_TRUE(ui.Messages().empty());  // the poll logs quietly
}

TEST(FieldbusLinkIds, PositionerRecognition) {
    EXPECT_TRUE(FieldbusLink::IsPositionerId("42524B0001J0000010"));
    EXPECT_TRUE(FieldbusLink::IsPositionerId("  4b54450007X"));
    EXPECT_FALSE(FieldbusLink::IsPositionerId("42524B0002J0000010"));
    EXPECT_FALSE(FieldbusLink::IsPositionerId("5A54010A01T"));
    EXPECT_FALSE(FieldbusLink::IsPositionerId("42524B"));
}
