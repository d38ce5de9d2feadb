// The signature graph window's file commands: load, save, export, save in the device.
#include <algorithm>
#include <filesystem>

#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignaturePaths.h"
#include "graphs/SignatureGraphModel.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"

namespace graphs {

using namespace diagnostics;

namespace {

constexpr const char* kSignatureFilesFilter = "Signature Data Files (*.sig) |*.sig|ALL Files|*.*||";
constexpr const char* kGraphFilesFilter = "Signature Graph Files (*.sig) |*.sig|ALL Files|*.*||";
constexpr const char* kUnsavedQuestion = kGraphUnsavedQuestion;

config::FileDialogResult Choose(const config::FileChooser& chooser, const config::FileDialogRequest& request) {
    if (!chooser) return {};
    config::FileDialogResult result = chooser(request);
    if (result.path.empty()) result.accepted = false;
    return result;
}

int Ask(const std::string& text, const std::string& caption, int flags) {
    return platform::GetUi().MessageBox(text, caption, flags);
}

}  // namespace

void SignatureGraphModel::SetDevice(SignatureDevice* device, std::string tag) {
    device_ = device;
    tag_ = std::move(tag);
    Changed();  // the device's commands follow
}

std::string SignatureGraphModel::GraphFileName(int type) const {
    const CalendarDate today = TodayDate();
    return tag_ + KindFileSuffix(type) +
           platform::Format("_%02u%02u%04u", static_cast<unsigned>(today.month), static_cast<unsigned>(today.day),
                            static_cast<unsigned>(today.year));
}

std::string SignatureGraphModel::WindowFileName() const {
    const CalendarDate today = TodayDate();
    return tag_ + platform::Format("_%02u%02u%04u", static_cast<unsigned>(today.month),
                                   static_cast<unsigned>(today.day), static_cast<unsigned>(today.year)) +
           ".sig";
}

std::vector<SignatureBlockToWrite> SignatureGraphModel::BlocksToWrite() const {
    std::vector<SignatureBlockToWrite> out;
    for (const SignatureGraphBlock& block : blocks_) {
        if (block.curves.empty()) continue;
        SignatureBlockToWrite b{block.type, block.visible, block.full, {}};
        for (const SignatureCurve& c : block.curves) b.curves.push_back(c.record.get());
        out.push_back(std::move(b));
    }
    return out;
}

int SignatureGraphModel::WriteBlocks(const std::string& path, const std::vector<int>& types) {
    std::vector<SignatureBlockToWrite> blocks;
    for (SignatureBlockToWrite& b : BlocksToWrite())
        if (std::find(types.begin(), types.end(), b.kind) != types.end()) blocks.push_back(std::move(b));
    if (WriteSignatureFile(path, blocks) != 0) return 1;
    for (int type : types)
        for (SignatureCurve& c : Block(type)->curves) c.record->saved = 1;
    Changed();
    return 0;
}

bool SignatureGraphModel::HasDataFor(const SignatureFileContents& contents, int intoType) const {
    if (intoType < 0) return true;
    for (const SignatureFileBlock& b : contents.blocks)
        if (SameGraphKind(b.kind, intoType)) return true;
    platform::ShowMessage("Data type mismatch.  Please load file accordingly to the selected graph!");
    return false;
}

int SignatureGraphModel::Merge(SignatureFileBlock& from, int type, const std::string& path) {
    if (!Block(type)) {
        SignatureGraphBlock block;
        block.type = GraphTypeOf(type);
        auto at = std::find_if(blocks_.begin(), blocks_.end(), [&](const auto& b) { return b.type > block.type; });
        blocks_.insert(at, std::move(block));
    }
    SignatureGraphBlock& target = *Block(type);
    if (target.curves.empty()) {
        target.full = from.full;
        target.visible = from.full;
        target.scaled = true;
    }
    int added = 0;
    for (CSignatureData& record : from.curves) {
        record.saved = 1;
        record.dataSource = SourceFile;
        record.filePath = path;
        if (AddSignatureData(record) == 0) ++added;
    }
    return added;
}

int SignatureGraphModel::Apply(SignatureFileContents& contents, int intoType, const std::string& path) {
    std::vector<int> before;
    for (const SignatureGraphBlock& b : blocks_) before.push_back(b.type);
    int added = 0;
    if (intoType < 0) {
        for (SignatureFileBlock& block : contents.blocks)
            if (IsGraphType(GraphTypeOf(block.kind))) added += Merge(block, GraphTypeOf(block.kind), path);
    } else {
        for (auto it = contents.blocks.rbegin(); it != contents.blocks.rend(); ++it) {
            if (!SameGraphKind(it->kind, intoType)) continue;
            added += Merge(*it, intoType, path);
            break;
        }
    }
    // Graphs this load created but left empty go again.
    std::erase_if(blocks_, [&](const SignatureGraphBlock& b) {
        return b.curves.empty() && std::find(before.begin(), before.end(), b.type) == before.end();
    });
    if (current_ < 0 || !Block(current_)) current_ = blocks_.empty() ? -1 : blocks_.front().type;
    if (added == 0) platform::ShowMessage("No available data was loaded.");
    Changed();
    return added;
}

int SignatureGraphModel::LoadFile(const std::string& path, int intoType) {
    SignatureFileContents contents;
    if (ReadSignatureFile(path, contents) != 0 || !HasDataFor(contents, intoType)) return -1;
    const bool wasEmpty = !HasCurves();
    const int added = Apply(contents, intoType, path);
    saved_ = wasEmpty || (saved_ && added == 0);
    Changed();
    return added;
}

int SignatureGraphModel::LoadCommand() {
    const int type = current_;
    config::FileDialogRequest request;
    request.title = "Open Signature Graph File";
    request.filter = (type >= 0 ? KindFileFilter(type) : std::string()) + kSignatureFilesFilter;
    request.defaultExtension = "sig";
    request.initialFolder = LastSignatureFolder();
    const config::FileDialogResult choice = Choose(chooser_, request);
    if (!choice.accepted) return 2;
    SetLastSignaturePath(choice.path);

    // The whole file is read and checked before anything shown is touched.
    SignatureFileContents contents;
    if (ReadSignatureFile(choice.path, contents) != 0 || !HasDataFor(contents, type)) return 1;

    int answer = platform::IDYES;
    if (HasCurves())
        answer = Ask("Clear Existing Graphs?\n", "Load Graphs",
                     platform::MB_YESNOCANCEL | platform::MB_ICONINFORMATION | platform::MB_DEFBUTTON2);
    if (answer == platform::IDCANCEL) return 2;
    int added = 0;
    if (answer == platform::IDYES) {
        if (HasUnsavedCurves()) {
            const int save = Ask(kUnsavedQuestion, platform::AppCaption(),
                                 platform::MB_YESNOCANCEL | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
            if (save == platform::IDCANCEL) return 2;
            if (save == platform::IDYES && SaveAllGraphs() != 0) return 2;
        }
        const GridStyle grid = grid_;
        RemoveAllGraphs();
        grid_ = grid;
        if (type >= 0) {
            SignatureGraphBlock block;
            block.type = type;
            blocks_.push_back(std::move(block));
            current_ = type;
        }
        added = Apply(contents, type, choice.path);
        saved_ = true;
    } else {
        added = Apply(contents, type, choice.path);
        if (added > 0) saved_ = false;
    }
    Changed();
    return added > 0 ? 0 : 1;
}

int SignatureGraphModel::SaveAllGraphs() {
    config::FileDialogRequest request;
    request.save = true;
    request.title = "Save Signature Graph File";
    request.filter = kGraphFilesFilter;
    request.defaultExtension = "sig";
    request.fileName = WindowFileName();
    request.initialFolder = LastSignatureFolder();
    const config::FileDialogResult choice = Choose(chooser_, request);
    if (!choice.accepted) return 2;
    SetLastSignaturePath(choice.path);
    std::vector<int> types;
    for (const SignatureGraphBlock& b : blocks_)
        if (!b.curves.empty()) types.push_back(b.type);
    if (WriteBlocks(choice.path, types) != 0) return 1;
    saved_ = true;
    Changed();
    return 0;
}

int SignatureGraphModel::SaveGraph(int type) {
    const SignatureGraphBlock* block = Block(type);
    if (!block || block->curves.empty()) return 1;
    type = block->type;
    config::FileDialogRequest request;
    request.save = true;
    request.title = "Save Signature Graph File";
    request.filter = KindFileFilter(type) + kGraphFilesFilter;
    request.defaultExtension = KindExtension(type);
    request.fileName = GraphFileName(type);
    request.initialFolder = LastSignatureFolder();
    const config::FileDialogResult choice = Choose(chooser_, request);
    if (!choice.accepted) return 2;
    SetLastSignaturePath(choice.path);
    if (WriteBlocks(choice.path, {type}) != 0) return 1;
    const bool others = std::any_of(blocks_.begin(), blocks_.end(),
                                    [type](const auto& b) { return b.type != type && !b.curves.empty(); });
    if (!others) saved_ = true;
    platform::ShowMessage("The data has been saved to " + choice.path, platform::MB_OK | platform::MB_ICONINFORMATION);
    Changed();
    return 0;
}

int SignatureGraphModel::SaveToDevice(int type, int index, bool asRecord) {
    if (!Curve(type, index)) {
        platform::ShowMessage("Curve index out of range");
        return 1;
    }
    const char* where = asRecord ? "RECORD" : "BASELINE";
    if (!device_ || device_->SaveSignatureInDevice(asRecord) != 0) {
        platform::ShowMessage(platform::Format("Failed to save data to %s.", where));
        return 1;
    }
    Block(type)->curves[static_cast<size_t>(index)].record->saved = 1;
    platform::ShowMessage(platform::Format("Signature data has been saved to %s.", where),
                          platform::MB_OK | platform::MB_ICONINFORMATION);
    Changed();
    return 0;
}

int SignatureGraphModel::Export(int type, int index) {
    const SignatureGraphBlock* block = Block(type);
    std::vector<const CSignatureData*> records;
    if (index < 0 && block) {
        for (const SignatureCurve& c : block->curves) records.push_back(c.record.get());
    } else if (const SignatureCurve* curve = Curve(type, index)) {
        records.push_back(curve->record.get());
    } else {
        platform::ShowMessage("Curve index out of range");
        return 1;
    }
    if (records.empty()) return 1;
    const std::string folder = ExportFolder(LastSignaturePath(), platform::ProgramDirectory());
    return ExportSignatureRecords(records, folder, opener_);
}

int SignatureGraphModel::QuerySave(const char* question) {
    if (!HasUnsavedCurves()) return 0;
    const int answer = Ask(question, platform::AppCaption(),
                           platform::MB_YESNOCANCEL | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
    if (answer == platform::IDCANCEL) return 2;
    if (answer == platform::IDYES && SaveAllGraphs() != 0) return 2;
    saved_ = true;  // saved, or given up by the user: not asked again
    return 0;
}

}  // namespace graphs
