// The host library on a real database file: lists saved under wide names come back with every
// value type intact; a bracket that is not committed leaves nothing; a file that is not a
// host database is refused and left as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/testing/TempDir.h"
#include "qam/qamZ.h"

namespace {

struct Host {
    explicit Host(const std::string& path) {
        EXPECT_EQ(QAMZ_OK, qamZOpenSession(path.c_str(), "S1", "host-1", "tech", &session));
        EXPECT_EQ(QAMZ_OK, qamZSVOpenParamListInterface(session, "42524B0001J0000010", "FV-101", "TB", "Position", &iface));
    }
    ~Host() {
        qamZSVCloseInterface(iface);
        qamZCloseSession(session);
    }
    unsigned Count() {
        unsigned count = 99;
        EXPECT_EQ(QAMZ_OK, qamZDBSearchParamList(iface, &count));
        return count;
    }
    qamZHandle NewList() {
        const char* names[] = {"SERVO_GAIN", "CONTROL_DIR", "MODEL", "XD_CAL_DATE"};
        qamZHandle list = 0;
        EXPECT_EQ(QAMZ_OK, qamZSVAllocParamList(iface, names, 4, &list));
        return list;
    }
    qamZHandle session = 0, iface = 0;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

TEST(QamStore, ListsComeBackWithEveryValueTypeUnderTheirWideNamesAndGoAway) {
    platform::testing::TempDir dir;
    Host host(dir.File("host.db"));
    const qamZHandle list = host.NewList();
    qamZValue v{};
    v.type = QAMZ_TYPE_REAL;
    v.real = INFINITY;
    ASSERT_EQ(QAMZ_OK, qamZSVSetParamValue(list, "SERVO_GAIN", &v));
    v = {};
    v.type = QAMZ_TYPE_INTEGER;
    v.integer = 2;
    std::strcpy(v.text, "Reverse");
    ASSERT_EQ(QAMZ_OK, qamZSVSetParamValue(list, "CONTROL_DIR", &v));
    v = {};
    v.type = QAMZ_TYPE_TEXT;
    std::strcpy(v.text, "RPX110 \xB0");  // device texts are Latin-1
    ASSERT_EQ(QAMZ_OK, qamZSVSetParamValue(list, "MODEL", &v));
    v = {};
    v.type = QAMZ_TYPE_BYTES;
    v.size = 7;
    std::memcpy(v.bytes, "\x00\x01\x02\x03\x04\x05\x06", 7);
    ASSERT_EQ(QAMZ_OK, qamZSVSetParamValue(list, "XD_CAL_DATE", &v));
    EXPECT_EQ(QAMZ_E_NOT_FOUND, qamZSVSetParamValue(list, "NOT_IN_LIST", &v));

    uint32_t id = 0;
    ASSERT_EQ(QAMZ_OK, qamZDBSaveParamList(host.iface, list, L"Ventil \u00fc \u20ac", 1, &id));
    ASSERT_EQ(1u, host.Count());
    qamZDbInfo info{};
    ASSERT_EQ(QAMZ_OK, qamZDBGetParamListDbInfo(host.iface, 0, &info));
    EXPECT_EQ(id, info.entryId);
    EXPECT_EQ(std::wstring(L"Ventil \u00fc \u20ac"), std::wstring(info.name));
    EXPECT_STREQ("FV-101", info.texts[QAMZ_INFO_DEVICE_TAG]);
    EXPECT_STREQ("tech", info.texts[QAMZ_INFO_SAVED_BY]);
    EXPECT_STREQ("host-1", info.texts[QAMZ_INFO_HOST]);

    const qamZHandle back = host.NewList();
    ASSERT_EQ(QAMZ_OK, qamZDBLoadParamList(host.iface, id, back));
    ASSERT_EQ(QAMZ_OK, qamZSVGetParamValue(back, "SERVO_GAIN", &v));
    EXPECT_TRUE(std::isinf(v.real) && v.real > 0);
    ASSERT_EQ(QAMZ_OK, qamZSVGetParamValue(back, "CONTROL_DIR", &v));
    EXPECT_EQ(2, v.integer);
    EXPECT_STREQ("Reverse", v.text);
    ASSERT_EQ(QAMZ_OK, qamZSVGetParamValue(back, "MODEL", &v));
    EXPECT_STREQ("RPX110 \xB0", v.text);
    ASSERT_EQ(QAMZ_OK, qamZSVGetParamValue(back, "XD_CAL_DATE", &v));
    EXPECT_EQ(0, std::memcmp(v.bytes, "\x00\x01\x02\x03\x04\x05\x06", 7));

    // An entry belongs to its device and list kind.
    qamZHandle other = 0;
    ASSERT_EQ(QAMZ_OK, qamZSVOpenParamListInterface(host.session, "OTHER", "FV-102", "TB", "Position", &other));
    EXPECT_EQ(QAMZ_E_NOT_FOUND, qamZDBLoadParamList(other, id, back));
    EXPECT_EQ(QAMZ_E_NOT_FOUND, qamZDBDeleteParamListDb(other, id));
    qamZSVCloseInterface(other);

    ASSERT_EQ(QAMZ_OK, qamZDBDeleteParamListDb(host.iface, id));
    EXPECT_EQ(0u, host.Count());
    EXPECT_EQ(QAMZ_E_NOT_FOUND, qamZDBDeleteParamListDb(host.iface, id));
    char text[256];
    qamZGetErrInfo(QAMZ_E_NOT_FOUND, text, sizeof text);
    EXPECT_NE(nullptr, std::strstr(text, "No saved parameter list")) << text;
    EXPECT_EQ(QAMZ_E_INVALID_HANDLE, qamZSVFreeParamList(12345));
    qamZSVFreeParamList(list);
    qamZSVFreeParamList(back);
}

TEST(QamStore, ABracketNotCommittedLeavesNothingAndNamesAreLimited) {
    platform::testing::TempDir dir;
    {
        Host host(dir.File("host.db"));
        const qamZHandle list = host.NewList();
        uint32_t id = 0;
        ASSERT_EQ(QAMZ_OK, qamZDBBeginTransaction(host.session));
        EXPECT_EQ(QAMZ_E_TRANSACTION, qamZDBBeginTransaction(host.session));
        ASSERT_EQ(QAMZ_OK, qamZDBSaveParamList(host.iface, list, L"A", 1, &id));
        ASSERT_EQ(QAMZ_OK, qamZDBSaveParamList(host.iface, list, L"B", 1, &id));
        EXPECT_EQ(2u, host.Count());  // seen inside the bracket
        ASSERT_EQ(QAMZ_OK, qamZDBEndTransaction(host.session, 0));
        EXPECT_EQ(0u, host.Count());

        // A session closed inside its bracket keeps nothing of it either.
        ASSERT_EQ(QAMZ_OK, qamZDBBeginTransaction(host.session));
        ASSERT_EQ(QAMZ_OK, qamZDBSaveParamList(host.iface, list, L"C", 1, &id));
        const std::wstring tooLong(QAMZ_NAME_MAX, L'x');
        EXPECT_EQ(QAMZ_E_NAME_TOO_LONG, qamZDBSaveParamList(host.iface, list, tooLong.c_str(), 1, &id));
        EXPECT_EQ(QAMZ_E_INVALID_ARGUMENT, qamZDBSaveParamList(host.iface, list, L"", 1, &id));
        qamZSVFreeParamList(list);
    }
    Host again(dir.File("host.db"));
    EXPECT_EQ(0u, again.Count());
}

TEST(QamStore, AFileThatIsNotAHostDatabaseIsRefusedAndLeftAlone) {
    platform::testing::TempDir dir;
    const std::string path = dir.File("host.db");
    const std::string garbage(4096, '\x5A');
    std::ofstream(path, std::ios::binary) << garbage;
    qamZHandle session = 0;
    EXPECT_EQ(QAMZ_E_DATABASE, qamZOpenSession(path.c_str(), "S1", "h", "u", &session));
    char text[256];
    qamZGetErrInfo(QAMZ_E_DATABASE, text, sizeof text);
    EXPECT_NE(nullptr, std::strstr(text, "cannot be read")) << text;
    EXPECT_EQ(garbage, ReadAll(path));
}
