// Status names, index names and the encodings that cross the socket: malformed input is
// refused, never read past its end.
#include <gtest/gtest.h>

#include <thread>

#include "nifb/IndexName.h"
#include "nifb/NifbRequest.h"
#include "nifb/ObjectRecords.h"
#include "nifb/nifb.h"

namespace {

TEST(StatusNames, FollowTheTableAndAreEmptyOutsideIt) {
    EXPECT_STREQ(nifStatusName(E_OK), "E_OK");
    EXPECT_STREQ(nifStatusName(-4), "E_TIMEOUT");
    EXPECT_STREQ(nifStatusName(-13), "E_SERVER_NOT_RESPONDING");
    EXPECT_STREQ(nifStatusName(-28), "E_SM_NOT_OPERATIONAL");
    EXPECT_STREQ(nifStatusName(-45), "E_SERVER_CONNECTION_LOST");
    EXPECT_STREQ(nifStatusName(-53), "E_VFD_CHANGED");
    EXPECT_STREQ(nifStatusName(-60), "E_ACTION_OBJECTS_UNSUPPORTED");
    EXPECT_STREQ(nifStatusName(-61), "");
    EXPECT_STREQ(nifStatusName(1), "");
}

TEST(IndexNames, RoundTripAndRejectOtherNames) {
    uint32_t index = 0, sub = 0;
    ASSERT_TRUE(nifb::ParseIndexName(makeIndex(5015), index, sub));
    EXPECT_EQ(index, 5015u);
    EXPECT_EQ(sub, 0u);
    ASSERT_TRUE(nifb::ParseIndexName(makeIndexSubindex(2005, 2), index, sub));
    EXPECT_EQ(index, 2005u);
    EXPECT_EQ(sub, 2u);
    for (const char* bad : {"FV101_TB.MODE_BLK", "$I", "$Ix", "$I12.", "$I12.3.4", "$I99999999999"})
        EXPECT_FALSE(nifb::ParseIndexName(bad, index, sub)) << bad;
}

TEST(IndexNames, StayValidForTheNextCallsOnTheSameThreadAndAreSeparatePerThread) {
    const char* first = makeIndex(1);
    for (int i = 0; i < 10; ++i) makeIndex(1000 + static_cast<uint32_t>(i));
    EXPECT_STREQ(first, "$I1");
    std::string other;
    std::thread([&] { other = makeIndex(77); }).join();
    EXPECT_STREQ(first, "$I1");
    EXPECT_EQ(other, "$I77");
}

TEST(Encoding, RequestsAndResponsesSurviveTheRoundTrip) {
    nifb::Request r;
    r.op = nifb::Op::WriteObject;
    r.desc = 42;
    r.name = "FV101_TB.SERVO_GAIN";
    r.arg = {1, 2, 3, 0xFFFFFFFFu};
    r.data = {0x43, 0x16, 0, 0};
    nifb::Request back;
    ASSERT_TRUE(nifb::DecodeRequest(nifb::EncodeRequest(r), back));
    EXPECT_EQ(back.op, r.op);
    EXPECT_EQ(back.desc, 42u);
    EXPECT_EQ(back.name, r.name);
    EXPECT_EQ(back.arg, r.arg);
    EXPECT_EQ(back.data, r.data);

    nifb::Response resp;
    resp.status = E_WRONG_MODE_FOR_REQUEST;
    resp.value = {5, 0, 0, 9};
    resp.data = {1, 2, 3};
    nifb::Response rb;
    ASSERT_TRUE(nifb::DecodeResponse(nifb::EncodeResponse(resp), rb));
    EXPECT_EQ(rb.status, E_WRONG_MODE_FOR_REQUEST);
    EXPECT_EQ(rb.value, resp.value);
    EXPECT_EQ(rb.data, resp.data);
}

TEST(Encoding, TruncatedOrCorruptFramesAreRefused) {
    nifb::Request r;
    r.op = nifb::Op::ReadObject;
    r.name = "X.Y";
    r.data = {9, 9, 9};
    std::vector<uint8_t> bytes = nifb::EncodeRequest(r);
    nifb::Request out;
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_FALSE(nifb::DecodeRequest(cut, out)) << n;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(nifb::DecodeRequest(longer, out));
    std::vector<uint8_t> badOp = bytes;
    badOp[0] = 0xEE;
    EXPECT_FALSE(nifb::DecodeRequest(badOp, out));
    std::vector<uint8_t> hugeName = bytes;
    hugeName[6] = 0xFF;  // length of the name
    hugeName[9] = 0x7F;
    EXPECT_FALSE(nifb::DecodeRequest(hugeName, out));
}

TEST(Encoding, TypeAndAttributeRecordsBecomeCallerRecords) {
    nifb::TypeInfo t;
    t.index = 2011;
    t.objectCode = NIF_OC_RECORD;
    t.dataType = 65;
    t.size = 5;
    t.members = {{0, NIF_OC_SIMPLE, NIF_DT_UINT8, 1}, {0, NIF_OC_SIMPLE, NIF_DT_FLOAT, 4}};
    nifb::TypeInfo back;
    std::vector<uint8_t> bytes = nifb::EncodeTypeInfo(t);
    ASSERT_TRUE(nifb::DecodeTypeInfo(bytes, back));
    nifObjectType* rec = nifb::NewObjectType(back);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->numMembers, 2);
    EXPECT_EQ(rec->members[1].dataType, NIF_DT_FLOAT);
    EXPECT_EQ(nifFreeObjectType(rec), E_OK);
    bytes.pop_back();
    EXPECT_FALSE(nifb::DecodeTypeInfo(bytes, back));

    nifb::AttributeInfo a;
    a.label = "ACT_FAIL_ACTION";
    a.items = {{NIF_ITEM_ENUM, 1, "|en|Air To Open"}, {NIF_ITEM_ENUM, 2, std::string(300, 'x')}};
    nifb::AttributeInfo ab;
    ASSERT_TRUE(nifb::DecodeAttributeInfo(nifb::EncodeAttributeInfo(a), ab));
    nifAttributes* attr = nifb::NewAttributes(ab);
    ASSERT_NE(attr, nullptr);
    EXPECT_STREQ(attr->items[0].description, "|en|Air To Open");
    EXPECT_EQ(std::string(attr->items[1].description).size(), NIF_DESC_LEN - 1u);  // cut, terminated
    EXPECT_EQ(nifFreeObjectAttributes(attr), E_OK);
}

TEST(Calls, WithoutDescriptorOrArgumentsFailCleanly) {
    uint8_t buf[4];
    uint16_t size = 4;
    EXPECT_EQ(nifReadObject(123456, "X", buf, &size), E_INVALID_DESCRIPTOR);
    EXPECT_EQ(nifReadObject(123456, "X", buf, nullptr), E_BAD_ARGUMENT);
    EXPECT_EQ(nifOpenSession(nullptr, nullptr), E_BAD_ARGUMENT);
    EXPECT_EQ(nifClose(123456), E_INVALID_DESCRIPTOR);
    EXPECT_EQ(nifFreeObjectType(nullptr), E_BAD_ARGUMENT);
}

}  // namespace
