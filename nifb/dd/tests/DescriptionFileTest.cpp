// Description files: hostile texts are refused with a message naming what is wrong and
// leave the caller's description as it was; the shipped descriptions are those the
// simulator writes today.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "nifb/dd/DeviceDescription.h"
#include "simulator/tests/TestSegments.h"

namespace {

namespace dd = nifb::dd;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A small description with a block (record, enumeration, view), a MIB object and a VFD
// object, as file text.
dd::Description Sample() {
    dd::Description d;
    d.manufacturerId = 0x42524B;
    d.deviceType = 1;
    d.deviceRevision = 2;
    d.ddRevision = 1;
    dd::BlockType b;
    b.ddItem = 77;
    b.parameters.push_back({0, "BLOCK", NIF_OC_RECORD, 64, 4, {{"TAG", NIF_DT_VSTRING, 4, 0, {}, false}}, {}, false, "", "", {}});
    b.parameters.push_back({1, "MODE_BLK", NIF_OC_RECORD, 69, 2,
                            {{"TARGET", NIF_DT_BSTRING, 1, 0, {}, false}, {"ACTUAL", NIF_DT_BSTRING, 1, 1, {{1, "|en|OOS"}}, true}},
                            {}, false, "", "Mode of the block", {}});
    b.parameters.push_back({2, "L_TYPE", NIF_OC_SIMPLE, NIF_DT_UINT8, 1, {}, {{1, "|en|Direct"}}, false, "", "", {}});
    b.parameters.push_back({3, "VIEW_1", NIF_OC_VARLIST, 0, 3, {}, {}, false, "", "", {1, 2}});
    d.blocks.push_back(b);
    d.mib.push_back({260, "FB_START_ENTRY.1", NIF_OC_RECORD, 257, 6,
                     {{"START_TIME_OFFSET", NIF_DT_UINT32, 4, 0, {}, false}, {"FB_OBJECT_INDEX", NIF_DT_UINT16, 2, 4, {}, false}},
                     {}, false, "", "", {}});
    d.vfd.push_back({30000, "LINK_1", NIF_OC_SIMPLE, NIF_DT_OCTSTRING, 8, {}, {}, false, "", "", {}});
    return d;
}

TEST(DescriptionFile, HostileTextsAreRefusedNamingTheFaultAndChangeNothing) {
    const dd::Description sample = Sample();
    const std::string good = dd::WriteDescription(sample);
    dd::Description out;
    std::string error;
    ASSERT_TRUE(dd::ReadDescription(good, out, error)) << error;
    ASSERT_EQ(out, sample);
    EXPECT_EQ(dd::WriteDescription(out), good);

    // Every cut of the text is refused.
    for (size_t cut = 0; cut < good.size() - 2; cut += 7) {
        dd::Description kept = sample;
        EXPECT_FALSE(dd::ReadDescription(good.substr(0, cut), kept, error)) << cut;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(kept, sample);
    }

    struct Case {
        std::string text;
        std::string message;  // part of the error
    };
    const std::string bigList = "[" + std::string(300 * 2 - 1, ',') + "]";
    std::string members300 = "[";
    for (int i = 0; i < 300; ++i) members300 += std::string(i ? "," : "") + "{\"dataType\":5,\"size\":1,\"offset\":0}";
    members300 += "]";
    const std::vector<Case> cases = {
        {"", "not valid JSON"},
        {"[]", "one JSON object"},
        {Replace(good, "\"format\": 1", "\"format\": \"1\""), "format must be a whole number"},
        {Replace(good, "\"format\": 1", "\"format\": 2"), "format 2 is not known"},
        {Replace(good, "\"format\": 1,", ""), "format is missing"},
        {Replace(good, "\"deviceType\": 1", "\"deviceType\": 65536"), "deviceType must be a whole number from 0 to 65535"},
        {Replace(good, "\"deviceType\": 1", "\"deviceType\": -1"), "deviceType must be"},
        {Replace(good, "\"deviceType\": 1", "\"deviceType\": 1.5"), "deviceType must be"},
        {Replace(good, "\"name\":\"L_TYPE\"", "\"name\":5"), "blocks[0].parameters[2].name must be a text"},
        {Replace(good, "\"name\":\"L_TYPE\"", "\"name\":\"\""), "blocks[0].parameters[2].name must not be empty"},
        {Replace(good, "\"name\":\"L_TYPE\"", "\"name\":\"" + std::string(65, 'N') + "\""), "longer than 64"},
        {Replace(good, "\"help\":\"Mode of the block\"", "\"help\":\"" + std::string(5000, 'h') + "\""),
         "blocks[0].parameters[1].help is longer"},
        {Replace(good, "\"index\":2,", "\"index\":1,"), "index 1 appears twice"},
        {Replace(good, "\"index\":0,", "\"index\":9,"), "block record (relative index 0) is missing"},
        {Replace(good, "\"objectCode\":7", "\"objectCode\":3"), "objectCode 3 is not an object code"},
        {Replace(good, "\"size\":6", "\"size\":5"), "mib[0].members[1] (offset 4, size 2) lies outside"},
        {Replace(good, "\"size\":3", "\"size\":4"), "not the sum of its members' sizes (3)"},
        {Replace(good, "\"viewMembers\":[1,", "\"viewMembers\":[0,"), "view member 0 is not a parameter"},
        {Replace(good, "\"viewMembers\":[1,", "\"viewMembers\":[9,"), "view member 9 is not a parameter"},
        {Replace(good, "\"viewMembers\":[1,", "\"viewMembers\":[-1,"), "viewMembers[0] must be a relative"},
        {Replace(good, "\"items\":[", "\"items\":{\"a\":["), "not valid JSON"},
        {Replace(good, "\"bitItems\":true", "\"bitItems\":1"), "bitItems must be true or false"},
        {Replace(good, "\"value\":1,", "\"value\":4294967296,"), "items[0].value must be a whole number"},
        {Replace(good, "\"value\":1,", "\"value\":1, \"colour\": 2,"), "items[0].colour is not a known key"},
        {Replace(good, "\"ddRevision\": 1", "\"ddRevision\": 1, \"extra\": true"), "extra is not a known key"},
        {Replace(good, "\"members\":[", "\"members\":" + members300 + ",\"x\":["), "members has 300 entries, more than 255"},
        {Replace(good, "\"mib\": [", "\"mib\": " + bigList + ", \"y\": ["), "not valid JSON"},
        {Replace(good, "\"mib\": [", "\"vfdx\": [], \"mib\": ["), "vfdx is not a known key"},
        {Replace(good, "\"name\":\"LINK_1\",\"objectCode\":7", "\"name\":\"LINK_1\",\"objectCode\":10"),
         "vfd[0]: views belong to blocks"},
        {Replace(good, "\"blocks\": [", "\"blocks\": " + std::string(40, '[') + std::string(40, ']') + ", \"z\": ["),
         "nesting deeper than 12"},
    };
    for (const Case& c : cases) {
        dd::Description kept = sample;
        error.clear();
        EXPECT_FALSE(dd::ReadDescription(c.text, kept, error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << "expected '" << c.message << "', got: " << error;
        EXPECT_EQ(kept, sample) << c.message;
    }

    // Two block types of one DD item.
    dd::Description twice = sample;
    twice.blocks.push_back(twice.blocks[0]);
    EXPECT_FALSE(dd::ReadDescription(dd::WriteDescription(twice), out, error));
    EXPECT_NE(error.find("DD item 77 appears twice"), std::string::npos) << error;

    // Files: a missing one is "not found", an unreadable one a load failure with the reason.
    const auto dir = std::filesystem::temp_directory_path() / ("dd-file-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    EXPECT_EQ(dd::LoadDescription((dir / "none.json").string(), out, error), E_SYMBOL_FILE_NOT_FOUND);
    { std::ofstream((dir / "bad.json").string()) << good.substr(0, good.size() / 2); }
    EXPECT_EQ(dd::LoadDescription((dir / "bad.json").string(), out, error), E_DD_LOAD_FAILED);
    EXPECT_NE(error.find("bad.json: description is not valid JSON"), std::string::npos) << error;
    EXPECT_EQ(dd::LoadDescription(dir.string(), out, error), E_DD_LOAD_FAILED);  // a folder
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    ASSERT_EQ(::mkfifo((dir / "pipe.json").c_str(), 0600), 0);
    EXPECT_EQ(dd::LoadDescription((dir / "pipe.json").string(), out, error), E_DD_LOAD_FAILED);  // no wait
    std::filesystem::remove_all(dir);
}

TEST(DescriptionFile, BlocksOfUnknownTypesAndPathsOfTheFolder) {
    const dd::Description d = Sample();
    dd::Resolved r;
    const std::vector<dd::BlockPlace> blocks = {{"FV101_AO", 5000, 77}, {"FV101_XX", 6000, 99}};
    EXPECT_EQ(dd::ResolveOnBlock(d, blocks[1], "MODE_BLK", r), E_DD_LOOKUP_FAILED);
    EXPECT_EQ(dd::ResolveOnVfd(d, blocks, "FV101_XX.MODE_BLK", r), E_DD_LOOKUP_FAILED);
    EXPECT_EQ(dd::ResolveOnVfd(d, blocks, "$I6001", r), E_DD_LOOKUP_FAILED);
    EXPECT_EQ(dd::ResolveOnVfd(d, blocks, "$I30000", r), E_OK);
    EXPECT_EQ(dd::ResolveOnVfd(d, blocks, "FV101_AO.VIEW_1.2", r), E_OK);
    EXPECT_EQ(r.index, 5002);
    EXPECT_EQ(dd::ResolveOnMib(d, "FB_START_ENTRY.1.FB_OBJECT_INDEX", r), E_OK);
    EXPECT_EQ(r.index, 260);
    EXPECT_EQ(r.subindex, 2);
    EXPECT_EQ(r.size, 2);
    EXPECT_EQ(dd::AttributesOf(r).label, "FB_OBJECT_INDEX");
    EXPECT_EQ(dd::DescriptionPath("/x/dd", 0x42524B, 1, 2), "/x/dd/42524B/0001/02.json");
    EXPECT_EQ(dd::DescriptionPath("/x/dd/", 0x5A5401, 0x0A01, 0x1F), "/x/dd/5A5401/0A01/1F.json");
}

// A device ID tells the manufacturer and device type by its first ten hexadecimal digits.
TEST(DescriptionFile, TheIdentityADeviceIdCarries) {
    uint32_t manufacturer = 7;
    uint16_t type = 7;
    EXPECT_TRUE(dd::IdentityOfDeviceId("42524B0001J0000010", manufacturer, type));
    EXPECT_EQ(manufacturer, 0x42524Bu);
    EXPECT_EQ(type, 1u);
    EXPECT_TRUE(dd::IdentityOfDeviceId("5a54010a01T0000001", manufacturer, type));
    EXPECT_EQ(manufacturer, 0x5A5401u);
    EXPECT_EQ(type, 0x0A01u);
    manufacturer = 7;
    for (const char* id : {"NIFB SIMULATED LINKING DEVICE", "42524B000", "", "42524B 001X"})
        EXPECT_FALSE(dd::IdentityOfDeviceId(id, manufacturer, type)) << id;
    EXPECT_EQ(manufacturer, 7u);  // untouched
    EXPECT_EQ(dd::LatestDescribedRevision(NIFB_SHIPPED_DD_DIR, 0x4B5445, 1), 3);
    EXPECT_EQ(dd::LatestDescribedRevision(NIFB_SHIPPED_DD_DIR, 0x4B5445, 2), 0);
}

// The shipped descriptions are what the simulator writes for its segments now (regenerate
// them with the dd_files target when this fails).
TEST(DescriptionFile, ShippedDescriptionsAreCurrent) {
    const auto dir = std::filesystem::temp_directory_path() / ("dd-shipped-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::string segments = std::filesystem::path(NIFB_DEFAULT_SEGMENT_FILE).parent_path().string();
    // Written by the server program, as the dd_files target writes them.
    for (const char* name : {"default.json", "population.json", "full-link.json"}) {
        const std::string command = std::string("'") + NIFB_SERVER_BINARY + "' --write-dd '" + dir.string() +
                                    "' --segment '" + segments + "/" + name + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // A segment that cannot be read writes nothing and fails.
    const std::string broken = std::string("'") + NIFB_SERVER_BINARY + "' --write-dd '" + dir.string() +
                               "/broken' --segment /nonexistent/segment.json 2>/dev/null";
    EXPECT_NE(std::system(broken.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "broken"));
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(NIFB_SHIPPED_DD_DIR)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const auto relative = std::filesystem::relative(entry.path(), NIFB_SHIPPED_DD_DIR);
        ASSERT_TRUE(std::filesystem::exists(dir / relative)) << relative << " is no longer written";
        EXPECT_TRUE(ReadText(entry.path()) == ReadText(dir / relative)) << relative << " is stale";
    }
    size_t fresh = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) fresh += entry.is_regular_file();
    EXPECT_EQ(files, fresh) << "a written description is not shipped";
    EXPECT_EQ(files, 6u);  // five field device types and the host interface
    std::filesystem::remove_all(dir);
}

}  // namespace
