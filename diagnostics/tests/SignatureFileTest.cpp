// Signature files: the versions, a file written byte by byte, damaged files, shipped examples.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "diagnostics/SignatureExport.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/tools/ExampleSignatures.h"
#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace diagnostics;

namespace {

// Little-endian bytes, written without the program's archive.
struct Bytes {
    std::string b;
    Bytes& u8(uint8_t v) { return b.push_back(static_cast<char>(v)), *this; }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& f32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return u32(u);
    }
    Bytes& f64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        return u32(static_cast<uint32_t>(u)).u32(static_cast<uint32_t>(u >> 32));
    }
    Bytes& text(const std::string& s) { return u8(static_cast<uint8_t>(s.size())), b += s, *this; }
};

CSignatureData SampleStep() {
    CSignatureData r = examples::StepResponse({}, "PV-7", examples::MakeDate(2024, 6, 1, 8, 30), 40, 60, 30);
    r.openStopAdjustment = 97.5f;
    r.notes = "first line\r\nsecond line";
    return r;
}

std::string Store(const std::vector<const CSignatureData*>& records, int kind, const std::string& version) {
    return StoreSignatureFile({examples::Block(kind, records)}, version);
}

}  // namespace

TEST(SignatureFile, EachVersionRoundTrips) {
    CSignatureData step = SampleStep();
    CSignatureData ext = examples::ExtendedSignature({}, "PV-7", examples::MakeDate(2024, 6, 1, 9, 0));
    ext.kind = KindHighResolution;  // high resolution travels in the extended block
    ext.curve2.clear();             // written as 0xFFFFFFFF

    for (const char* version : {"2.10", "2.11", "2.12"}) {
        SignatureFileContents in;
        std::string error;
        const std::string bytes = StoreSignatureFile(
            {examples::Block(KindStepResponse, {&step}), examples::Block(KindExtended, {&ext})}, version);
        ASSERT_EQ(0, ParseSignatureFile(bytes, in, error)) << version << ": " << error;
        EXPECT_EQ(version, in.version);
        ASSERT_EQ(2u, in.blocks.size());
        const CSignatureData& s = in.blocks[0].curves.at(0);
        const CSignatureData& h = in.blocks[1].curves.at(0);
        EXPECT_EQ(KindHighResolution, h.kind);
        EXPECT_TRUE(h.curve2.empty());
        EXPECT_EQ(step.curve1, s.curve1);
        EXPECT_EQ(step.curve2, s.curve2);
        EXPECT_EQ(step.header, s.header);
        EXPECT_EQ(step.date, s.date);
        EXPECT_EQ(step.notes, s.notes);
        EXPECT_EQ(step.xAxis, s.xAxis);
        EXPECT_EQ(version, s.fileVersion);
        const std::string v = version;
        EXPECT_EQ(v == "2.10" ? "Unknown" : "PV-7", s.name);
        EXPECT_EQ(v == "2.12" ? 97.5f : 100.0f, s.openStopAdjustment);
        // Written again in its own version, the file is the same byte for byte.
        std::vector<SignatureBlockToWrite> again(2);
        for (size_t i = 0; i < 2; ++i) {
            again[i] = {in.blocks[i].kind, in.blocks[i].visible, in.blocks[i].full, {}};
            for (const CSignatureData& r : in.blocks[i].curves) again[i].curves.push_back(&r);
        }
        EXPECT_EQ(bytes, StoreSignatureFile(again, version));
    }
}

TEST(SignatureFile, ReadsAFileBuiltByHand) {
    Bytes f;
    f.text("Tessaro").text("SIGNATURE DATA").text("2.12").u32(0xFFFFFFFF);
    f.u32(1).u32(KindStandard);
    for (double v : {10.0, 60.0, 5.0, 0.0, -10.0, 110.0, 10.0, 0.0}) f.f64(v);  // visible
    for (double v : {0.0, 100.0, 10.0, 0.0, -10.0, 110.0, 10.0, 0.0}) f.f64(v);  // full
    f.u32(1);
    f.text("PV-101").u32(KindStandard).f32(15).f32(60).f32(10).f32(90).f32(99);
    for (int i = 0; i < 9; ++i) f.f32(static_cast<float>(i));
    f.u32(1).u8(14).u8(5).u8(7).u16(7250).u8(2).u8(3).u8(3).u8(9);  // 03/03/09 14:05:07
    f.f32(0).f32(120).text("kPa").f32(-10).f32(110).text("%").text("");
    f.u32(1).f32(15).f32(10).u32(1).f32(60).f32(90).u32(0);  // two points
    f.u32(0xFFFFFFFF);

    SignatureFileContents in;
    std::string error;
    ASSERT_EQ(0, ParseSignatureFile(f.b, in, error)) << error;
    const SignatureFileBlock& block = in.blocks.at(0);
    EXPECT_EQ(60.0, block.visible.xMaximum);
    EXPECT_EQ(100.0, block.full.xMaximum);
    const CSignatureData& r = block.curves.at(0);
    EXPECT_EQ("PV-101", r.name);
    EXPECT_EQ(99.0f, r.openStopAdjustment);
    EXPECT_EQ(8.0f, r.header[8]);
    EXPECT_EQ("03/03/09 14:05:07", r.DateText());
    EXPECT_EQ("PV-101_STD_03032009_1405", r.DefaultFileName({2025, 6, 1}));
    EXPECT_EQ((SignatureAxis{0, 120, "kPa"}), r.xAxis);
    EXPECT_EQ((std::vector<CFloatPT>{{15, 10, 1}, {60, 90, 0}}), r.curve1);
    EXPECT_TRUE(r.curve2.empty());
    // Our writer produces exactly these bytes.
    EXPECT_EQ(f.b, StoreSignatureFile({{KindStandard, block.visible, block.full, {&r}}}));
}

TEST(SignatureFile, DamagedFilesAreRefusedWhole) {
    const CSignatureData step = SampleStep();
    const std::string bytes = Store({&step}, KindStepResponse, "2.12");
    SignatureFileContents untouched;
    untouched.version = "kept";
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        std::string error;
        ASSERT_EQ(1, ParseSignatureFile(std::string_view(bytes).substr(0, cut), untouched, error)) << cut;
        ASSERT_FALSE(error.empty());
        ASSERT_EQ("kept", untouched.version);
    }

    std::string error;
    auto refused = [&](std::string damaged) {
        return ParseSignatureFile(damaged, untouched, error, "x.sig") == 1;
    };
    // Counts far beyond the bytes there: refused before anything is allocated.
    const size_t countAt = bytes.size() - 4 - step.curve2.size() * 12 - 4 - step.curve1.size() * 12;
    std::string huge = bytes;
    huge.replace(countAt, 4, "\xFE\xFF\xFF\x7F", 4);
    EXPECT_TRUE(refused(huge));
    EXPECT_EQ("Error: The signature data file x.sig is damaged or incomplete. Data loading aborted.", error);
    std::string blocks = bytes;
    blocks.replace(1 + 7 + 1 + 14 + 1 + 4 + 4, 4, "\xFF\xFF\xFF\x0F", 4);
    EXPECT_TRUE(refused(blocks));

    std::string other = bytes;
    other[1] = 't';
    EXPECT_TRUE(refused(other));
    EXPECT_EQ("Not a Tessaro data file!", error);
    std::string version = bytes;
    version.replace(1 + 7 + 1 + 14 + 1, 4, "2.13");
    EXPECT_TRUE(refused(version));
    EXPECT_EQ("Invalid signature data version (2.13)", error);
    // A standard record inside the step-response block.
    const CSignatureData standard = examples::StandardSignature({}, "PV-7", examples::MakeDate(2024, 1, 1, 0, 0));
    SignatureBlockToWrite mixed = examples::Block(KindStepResponse, {&standard});
    EXPECT_TRUE(refused(StoreSignatureFile({mixed})));
    EXPECT_EQ("Error: Different signature type! Data loading aborted.", error);
}

TEST(SignatureFile, ScrambledFilesNeverBreakTheReader) {
    const CSignatureData step = SampleStep();
    const std::string bytes = Store({&step}, KindStepResponse, "2.12");
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int round = 0; round < 3000; ++round) {
        std::string scrambled = bytes;
        for (int flips = 1 + next() % 4; flips > 0; --flips)
            scrambled[next() % scrambled.size()] = static_cast<char>(next());
        SignatureFileContents in;
        std::string error;
        if (ParseSignatureFile(scrambled, in, error) == 0) {
            for (const SignatureFileBlock& b : in.blocks)
                for (const CSignatureData& r : b.curves) ASSERT_LE(r.curve1.size() * 12, scrambled.size());
        } else {
            ASSERT_FALSE(error.empty());
        }
    }
}

TEST(SignatureFile, WritesThroughATemporaryFileAndReportsFailures) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    const CSignatureData step = SampleStep();
    const std::string path = dir.File("a.sig");
    ASSERT_EQ(0, WriteSignatureFile(path, {examples::Block(KindStepResponse, {&step})}));
    SignatureFileContents in;
    ASSERT_EQ(0, ReadSignatureFile(path, in));
    EXPECT_EQ(1u, in.blocks.size());
    EXPECT_EQ(1, WriteSignatureFile(dir.File("missing/b.sig"), {}));
    EXPECT_EQ(1, ReadSignatureFile(dir.File("none.sig"), in));
    EXPECT_EQ((std::vector<std::string>{"Error: Unable to write file " + dir.File("missing/b.sig") + ".",
                                        "Error: Unable to open file " + dir.File("none.sig") + "."}),
              ui.Texts());
}

TEST(SignatureFile, ShippedExamplesLoadAndAnalyse) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TESSARO_SEED_SIGNATURE_DIR)) {
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(entry.path().string(), bytes));
        SignatureFileContents in;
        std::string error;
        ASSERT_EQ(0, ParseSignatureFile(bytes, in, error)) << entry.path() << error;
        for (SignatureFileBlock& block : in.blocks)
            for (CSignatureData& r : block.curves) {
                r.AnalyseOnce(86.0f);
                EXPECT_EQ(r.kind != KindPositioner, r.results.valid == 1) << entry.path() << " " << r.kind;
            }
        ++files;
    }
    EXPECT_GE(files, 3);
}

TEST(SignatureFile, AnExportNamedFromAFileStaysInItsFolder) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    std::filesystem::create_directories(dir.File("exports/inner"));
    CSignatureData record = SampleStep();
    record.name = "../../escaped/PWN";
    // A file read back carries that name; the export lands inside its folder all the same.
    ASSERT_EQ(0, WriteSignatureFile(dir.File("a.sig"), {examples::Block(KindStepResponse, {&record})}));
    SignatureFileContents in;
    ASSERT_EQ(0, ReadSignatureFile(dir.File("a.sig"), in));
    ASSERT_EQ("../../escaped/PWN", in.blocks[0].curves[0].name);
    std::string written;
    ASSERT_EQ(0, ExportSignatureRecords({&in.blocks[0].curves[0]}, dir.File("exports/inner"),
                                        [](const std::string&) { return true; }, &written));
    EXPECT_EQ(dir.File("exports/inner"), std::filesystem::path(written).parent_path().string());
    EXPECT_TRUE(std::filesystem::exists(written));
    EXPECT_FALSE(std::filesystem::exists(dir.File("escaped")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("exports/escaped")));
}
