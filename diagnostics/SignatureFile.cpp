#include "diagnostics/SignatureFile.h"

#include <filesystem>

#include "diagnostics/SignatureArchive.h"
#include "platform/AtomicFile.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

// The fewest bytes a block and a curve record can take, to bound counts read from a file.
constexpr size_t kLeastBlockBytes = 2 * 8 * 8 + 4;
constexpr size_t kLeastCurveBytes = 4 + 16 + 36 + 13 + 2 * 9 + 1 + 2 * 4;

enum Layout { Layout210 = 0, Layout211 = 1, Layout212 = 2 };

int LayoutOf(const std::string& version) {
    if (version == "2.10") return Layout210;
    if (version == "2.11") return Layout211;
    return Layout212;
}

void SerializeScale(SignatureArchive& ar, SignatureScale& s) {
    for (double* v : {&s.xMinimum, &s.xMaximum, &s.xStep, &s.xExtra, &s.yMinimum, &s.yMaximum, &s.yStep, &s.yExtra})
        ar.F64(*v);
}

void SerializeAxis(SignatureArchive& ar, SignatureAxis& axis) {
    ar.F32(axis.minimum);
    ar.F32(axis.maximum);
    ar.Text(axis.unit);
}

// One curve record; `kind` is the record's kind as found in (or written to) the file.
void SerializeCurve(SignatureArchive& ar, CSignatureData& r, int layout, uint32_t& kind) {
    if (layout >= Layout211) ar.Text(r.name);
    ar.U32(kind);
    ar.F32(r.xMinimum);
    ar.F32(r.xMaximum);
    ar.F32(r.yMinimum);
    ar.F32(r.yMaximum);
    if (layout >= Layout212) ar.F32(r.openStopAdjustment);
    for (float& h : r.header) ar.F32(h);
    SignatureDate& d = r.date;
    ar.U32(d.summerTime);
    ar.U8(d.hour);
    ar.U8(d.minutes);
    ar.U8(d.seconds);
    ar.U16(d.milliseconds);
    ar.U8(d.weekday);
    ar.U8(d.day);
    ar.U8(d.month);
    ar.U8(d.year);
    SerializeAxis(ar, r.xAxis);
    SerializeAxis(ar, r.yAxis);
    ar.Text(r.notes);
    ar.Points(r.curve1);
    ar.Points(r.curve2);
}

std::string DamagedMessage(const std::string& fileName) {
    return fileName.empty()
               ? "Error: The signature data file is damaged or incomplete. Data loading aborted."
               : platform::Format("Error: The signature data file %s is damaged or incomplete. Data loading aborted.",
                                  fileName.c_str());
}

}  // namespace

bool IsSignatureVersion(const std::string& version) {
    return version == "2.10" || version == "2.11" || version == "2.12";
}

std::string StoreSignatureFile(const std::vector<SignatureBlockToWrite>& blocks, const std::string& version) {
    SignatureArchive ar;
    // The points make up nearly all of the file: room for them and the fixed part of each
    // curve up front.
    size_t expected = 64;
    for (const SignatureBlockToWrite& block : blocks) {
        expected += 64;
        for (const CSignatureData* record : block.curves)
            expected += kLeastCurveBytes + 16 + record->name.size() + record->notes.size() + record->xAxis.unit.size() +
                        record->yAxis.unit.size() + 12 * (record->curve1.size() + record->curve2.size());
    }
    ar.Reserve(expected);
    std::string text = kSignatureProductId;
    ar.Text(text);
    text = kSignatureFileMarker;
    ar.Text(text);
    text = version;
    ar.Text(text);
    uint32_t reserved = 0xFFFFFFFFu;
    ar.U32(reserved);
    uint32_t n = static_cast<uint32_t>(blocks.size());
    ar.U32(n);
    for (const SignatureBlockToWrite& block : blocks) {
        uint32_t kind = static_cast<uint32_t>(block.kind);
        ar.U32(kind);
    }
    const int layout = LayoutOf(version);
    for (const SignatureBlockToWrite& block : blocks) {
        SignatureScale visible = block.visible, full = block.full;
        SerializeScale(ar, visible);
        SerializeScale(ar, full);
        uint32_t m = static_cast<uint32_t>(block.curves.size());
        ar.U32(m);
        for (const CSignatureData* record : block.curves) {
            uint32_t kind = static_cast<uint32_t>(record->kind);
            // A storing archive only reads its items: the record is serialised in place
            // instead of through a copy of all its points.
            SerializeCurve(ar, const_cast<CSignatureData&>(*record), layout, kind);
        }
    }
    return ar.TakeBytes();
}

int ParseSignatureFile(std::string_view bytes, SignatureFileContents& contents, std::string& error,
                       const std::string& fileName) {
    SignatureArchive ar(bytes);
    std::string product, marker, version;
    ar.Text(product);
    if (!ar.Ok() || product != kSignatureProductId) {
        error = "Not a Tessaro data file!";
        return 1;
    }
    ar.Text(marker);
    if (!ar.Ok() || marker != kSignatureFileMarker) {
        error = "Not a valid SIGNATURE data file";
        return 1;
    }
    ar.Text(version);
    if (!ar.Ok() || !IsSignatureVersion(version)) {
        error = ar.Ok() ? platform::Format("Invalid signature data version (%s)", version.c_str())
                        : DamagedMessage(fileName);
        return 1;
    }
    const int layout = LayoutOf(version);
    uint32_t reserved = 0, n = 0;
    ar.U32(reserved);
    ar.U32(n);
    if (ar.Ok() && n > ar.Remaining() / (4 + kLeastBlockBytes)) ar.Fail("block count larger than the file");
    SignatureFileContents read;
    read.version = version;
    if (ar.Ok()) read.blocks.resize(n);
    for (SignatureFileBlock& block : read.blocks) {
        uint32_t kind = 0;
        ar.U32(kind);
        if (ar.Ok() && !IsValidKind(static_cast<int>(kind))) ar.Fail("unknown graph type");
        block.kind = static_cast<int>(kind);
    }
    for (SignatureFileBlock& block : read.blocks) {
        if (!ar.Ok()) break;
        SerializeScale(ar, block.visible);
        SerializeScale(ar, block.full);
        uint32_t m = 0;
        ar.U32(m);
        if (ar.Ok() && m > ar.Remaining() / kLeastCurveBytes) ar.Fail("curve count larger than the file");
        if (!ar.Ok()) break;
        for (uint32_t i = 0; i < m && ar.Ok(); ++i) {
            CSignatureData record(block.kind);
            uint32_t kind = 0;
            SerializeCurve(ar, record, layout, kind);
            if (ar.Ok() && !SameGraphKind(static_cast<int>(kind), block.kind)) {
                error = "Error: Different signature type! Data loading aborted.";
                return 1;
            }
            record.kind = static_cast<int32_t>(kind);
            record.fileVersion = version;
            block.curves.push_back(std::move(record));
        }
    }
    if (!ar.Ok()) {
        error = DamagedMessage(fileName);
        return 1;
    }
    contents = std::move(read);
    return 0;
}

int ParseSignatureBuffer(const uint8_t* data, size_t size) {
    SignatureFileContents contents;
    std::string error;
    return ParseSignatureFile(std::string_view(reinterpret_cast<const char*>(data), size), contents, error);
}

int WriteSignatureFile(const std::string& path, const std::vector<SignatureBlockToWrite>& blocks,
                       const std::string& version) {
    if (!platform::WriteFileAtomically(path, StoreSignatureFile(blocks, version))) {
        platform::ShowMessage(platform::Format("Error: Unable to write file %s.", path.c_str()));
        return 1;
    }
    return 0;
}

int ReadSignatureFile(const std::string& path, SignatureFileContents& contents) {
    std::string bytes;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || !platform::ReadWholeFile(path, bytes)) {
        platform::ShowMessage(platform::Format("Error: Unable to open file %s.", path.c_str()));
        return 1;
    }
    std::string error;
    if (ParseSignatureFile(bytes, contents, error, path) != 0) {
        platform::ShowMessage(error);
        return 1;
    }
    return 0;
}

}  // namespace diagnostics
