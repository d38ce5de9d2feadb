// Answers of a broken or fake server: counts beyond the records that arrived, sizes that do
// not fit, texts without their end. The library refuses them with E_BAD_DEVICE_DATA and
// leaves the caller's buffers and counts as they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/stat.h>

#include "nifb/Backend.h"
#include "nifb/ObjectRecords.h"
#include "nifb/SocketPath.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"

namespace {

using nifb::Op;
using nifb::Request;
using nifb::Response;

// Opens whatever is asked; every other call gets the answer the test sets.
class CannedServer : public nifb::Backend {
public:
    std::function<Response(const Request&)> answer;
    Response Call(const Request& r) override {
        Response ok;
        switch (r.op) {
            case Op::OpenSession:
            case Op::OpenLink:
            case Op::OpenPhysicalDevice:
            case Op::OpenVfd:
            case Op::Close: ok.value[0] = 7; return ok;
            default: return answer(r);
        }
    }
};

template <typename T>
Response Records(int32_t status, size_t delivered, uint32_t reported, uint32_t second = 0) {
    Response r;
    r.status = status;
    r.value[0] = reported;
    r.value[1] = second;
    r.data.assign(delivered * sizeof(T), 'A');  // texts without a terminator anywhere
    return r;
}

class UntrustedAnswersTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_shared<CannedServer>();
        nifb::UseInProcessBackend(server_);
        ASSERT_EQ(nifOpenSession(nullptr, &session_), E_OK);
        ASSERT_EQ(nifOpenLink(session_, 0, "Interface0-0", 0, &link_), E_OK);
        ASSERT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_TAG, "FV-101", &device_), E_OK);
        ASSERT_EQ(nifOpenVfd(device_, makeIndex(0), &vfd_), E_OK);
    }
    void TearDown() override { nifb::UseInProcessBackend(nullptr); }

    std::shared_ptr<CannedServer> server_;
    nifDesc_t session_ = 0, link_ = 0, device_ = 0, vfd_ = 0;
};

TEST_F(UntrustedAnswersTest, ListCountsMustMatchTheRecordsThatArrived) {
    nifLiveListEntry live[32];
    std::memset(live, 0x5A, sizeof live);
    uint16_t n = 32;
    uint32_t total = 99;
    // Two records, a count of 40: the caller would read 38 records that are not there.
    server_->answer = [](const Request&) { return Records<nifLiveListEntry>(E_OK, 2, 40, 40); };
    EXPECT_EQ(nifGetDeviceList(link_, live, &n, &total), E_BAD_DEVICE_DATA);
    EXPECT_EQ(n, 32);
    EXPECT_EQ(total, 99u);
    EXPECT_EQ(live[0].deviceId[0], 0x5A);  // untouched
    // More records than the buffer holds.
    n = 4;
    server_->answer = [](const Request&) { return Records<nifLiveListEntry>(E_OK, 5, 5, 5); };
    EXPECT_EQ(nifGetDeviceList(link_, live, &n, &total), E_BAD_DEVICE_DATA);
    // A total below the records delivered; a torn record.
    n = 32;
    server_->answer = [](const Request&) { return Records<nifLiveListEntry>(E_OK, 3, 3, 1); };
    EXPECT_EQ(nifGetDeviceList(link_, live, &n, &total), E_BAD_DEVICE_DATA);
    server_->answer = [](const Request&) {
        Response r = Records<nifLiveListEntry>(E_OK, 1, 1, 1);
        r.data.pop_back();
        return r;
    };
    EXPECT_EQ(nifGetDeviceList(link_, live, &n, &total), E_BAD_DEVICE_DATA);
    // A good answer arrives with every text ended inside its field.
    server_->answer = [](const Request&) { return Records<nifLiveListEntry>(E_OK, 2, 2, 2); };
    ASSERT_EQ(nifGetDeviceList(link_, live, &n, &total), E_OK);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::strlen(live[1].deviceId), 32u);
    EXPECT_EQ(std::strlen(live[1].pdTag), 32u);

    nifBlockInfo blocks[20];
    uint16_t nb = 20;
    server_->answer = [](const Request&) { return Records<nifBlockInfo>(E_OK, 6, 20); };
    EXPECT_EQ(nifGetBlockList(vfd_, 7, blocks, &nb), E_BAD_DEVICE_DATA);
    EXPECT_EQ(nb, 20);
    nifVfdInfo vfds[1];
    uint16_t nv = 1;
    server_->answer = [](const Request&) { return Records<nifVfdInfo>(E_OK, 1, 3); };
    EXPECT_EQ(nifGetVFDList(device_, vfds, &nv), E_BAD_DEVICE_DATA);
    nifInterfaceInfo ifc[2];
    uint16_t ni = 2;
    // "Too small" must name a need beyond the buffer, within the counter's range.
    server_->answer = [](const Request&) { return Records<nifInterfaceInfo>(E_BUF_TOO_SMALL, 2, 2); };
    EXPECT_EQ(nifGetInterfaceList(session_, &ni, ifc), E_BAD_DEVICE_DATA);
    server_->answer = [](const Request&) { return Records<nifInterfaceInfo>(E_BUF_TOO_SMALL, 0, 70000); };
    EXPECT_EQ(nifGetInterfaceList(session_, &ni, nullptr), E_BAD_DEVICE_DATA);
    EXPECT_EQ(ni, 2);
}

TEST_F(UntrustedAnswersTest, SizesAndDescriptionsMustAddUp) {
    uint8_t buffer[8] = {};
    uint16_t size = 4;
    server_->answer = [](const Request&) {
        Response r;
        r.data.assign(8, 1);  // more than asked for
        return r;
    };
    EXPECT_EQ(nifReadObject(vfd_, "FV101_TB.FINAL_VALUE", buffer, &size), E_BAD_DEVICE_DATA);
    EXPECT_EQ(buffer[4], 0);
    server_->answer = [](const Request&) {
        Response r;
        r.status = E_BUF_TOO_SMALL;
        r.value[0] = 2;  // "too small" for a need that fits
        return r;
    };
    EXPECT_EQ(nifReadObject(vfd_, "FV101_TB.FINAL_VALUE", buffer, &size), E_BAD_DEVICE_DATA);
    EXPECT_EQ(size, 4);
    server_->answer = [](const Request&) {
        Response r;
        r.value[0] = 0x10000;
        return r;
    };
    EXPECT_EQ(nifGetObjectSize(vfd_, "FV101_TB.FINAL_VALUE", &size), E_BAD_DEVICE_DATA);

    // A record whose members claim more bytes than the record has.
    nifb::TypeInfo t;
    t.size = 5;
    t.objectCode = NIF_OC_RECORD;
    t.members = {{0, NIF_OC_SIMPLE, NIF_DT_UINT8, 1}, {0, NIF_OC_SIMPLE, NIF_DT_FLOAT, 400}};
    server_->answer = [&](const Request&) {
        Response r;
        r.data = nifb::EncodeTypeInfo(t);
        return r;
    };
    nifObjectType* type = nullptr;
    EXPECT_EQ(nifGetObjectType(vfd_, "FV101_TB.FINAL_VALUE", &type), E_BAD_DEVICE_DATA);
    EXPECT_EQ(type, nullptr);
    // A member count beyond the bytes that follow it.
    t.members = {{0, NIF_OC_SIMPLE, NIF_DT_UINT8, 1}, {0, NIF_OC_SIMPLE, NIF_DT_FLOAT, 4}};
    server_->answer = [&](const Request&) {
        Response r;
        r.data = nifb::EncodeTypeInfo(t);
        r.data[7] = 0xFF;  // the count's low byte: 255 members announced, 2 there
        return r;
    };
    EXPECT_EQ(nifGetObjectType(vfd_, "FV101_TB.FINAL_VALUE", &type), E_BAD_DEVICE_DATA);
    nifb::AttributeInfo a;
    a.items.resize(3);
    server_->answer = [&](const Request&) {
        Response r;
        r.data = nifb::EncodeAttributeInfo(a);
        r.data[r.data.size() - 3 * 9 - 4] = 0x40;  // 64 items announced, 3 there
        return r;
    };
    nifAttributes* attributes = nullptr;
    EXPECT_EQ(nifGetObjectAttributes(vfd_, "FV101_TB.VALVE_TYPE", &attributes), E_BAD_DEVICE_DATA);
    EXPECT_EQ(attributes, nullptr);
}

// The per-user socket lives in a folder no one else can reach: a runtime folder open to
// others is passed over.
TEST(SocketFolder, OnlyAPrivateRuntimeFolderHoldsTheSocket) {
    platform::testing::TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    EXPECT_EQ(nifb::PerUserSocketPath().find(dir.Path()), std::string::npos);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0700), 0);
    EXPECT_EQ(nifb::PerUserSocketPath(), dir.Path() + "/tessaro-nifb.sock");
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
