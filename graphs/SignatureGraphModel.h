#pragma once
// The signature graph window without its drawing: one graph block per graph type, each with
// any number of curves (signature records) drawn over each other, the grid style, which
// block is shown, the saved flag, and every command of the window's menus (load, save,
// export, notes, remove, save in the device). Questions and messages go through the Ui port
// and file dialogs through a chooser, so all of it runs in tests without a display.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigFileDialogs.h"
#include "diagnostics/CSignatureData.h"
#include "diagnostics/SignatureExport.h"
#include "diagnostics/SignatureFile.h"
#include "graphs/GridStyle.h"
#include "graphs/NamedColors.h"
#include "graphs/SignatureGraphTypes.h"

namespace diagnostics {
class SignatureDevice;
}

namespace graphs {

// The graph window's question before its graphs are discarded, and the signature page's when
// it is left with a run's curves unsaved.
inline constexpr const char* kGraphUnsavedQuestion = "Signature graph has not been saved. Save it?";
inline constexpr const char* kPageUnsavedQuestion = "The signature data has not been saved yet. Save it?";

using diagnostics::CSignatureData;
using diagnostics::SignatureScale;

struct SignatureCurve {
    std::unique_ptr<CSignatureData> record;
    ColorValue color = kRed;
    bool shown = true;
};

struct SignatureGraphBlock {
    int type = 0;
    SignatureScale visible;  // what the plot shows (zoomed in or not)
    SignatureScale full;     // everything the curves need
    bool scaled = false;     // the scales were set (from a file or by a curve)
    std::vector<SignatureCurve> curves;
};

// One entry of a curve's context menu (command 0: a separator).
struct CurveMenuEntry {
    int command = 0;
    std::string text;
};
// The context menu of curve `index` by its record's data source.
std::vector<CurveMenuEntry> CurveContextMenu(const CSignatureData& record, int index);

// A scale that shows all of `records` (for a graph of `type`), with round grid steps.
SignatureScale FitScale(int type, const std::vector<const CSignatureData*>& records);

class SignatureGraphModel {
public:
    SignatureGraphModel();
    ~SignatureGraphModel();

    // ---- Blocks ------------------------------------------------------------------------
    // 0 created; 1 with "The Signature Graph Type Already Exist" or "Invalid Signature
    // Graph Type!".
    int AddGraphBlock(int type);
    // 0 removed; 1 with "The Graph Type to be deleted was not found.".
    int RemoveGraphBlock(int type);
    // Removes every block.
    void RemoveAllGraphs();
    const std::vector<SignatureGraphBlock>& Blocks() const { return blocks_; }
    SignatureGraphBlock* Block(int type);
    const SignatureGraphBlock* Block(int type) const;
    bool HasCurves() const;

    // The block the window menu works on (-1 when there is none).
    int CurrentType() const { return current_; }
    void SetCurrentType(int type);
    // All blocks at once, or only the current one.
    bool ShowAll() const { return showAll_; }
    void SetShowAll(bool all);
    // "Show This Graph &Only" while all are shown, "Show &All Selected Graph" otherwise.
    std::string ShowCommandText() const;

    GridStyle Grid() const { return grid_; }
    void SetGrid(GridStyle style) { grid_ = style; Changed(); }

    // Whether the curves shown have been written to a file.
    bool IsSaved() const { return saved_; }
    // Curves are shown that no file holds as shown.
    bool HasUnsavedCurves() const { return !saved_ && HasCurves(); }

    // ---- Curves --------------------------------------------------------------------------
    // Adds a copy of `record` to the block of its type (created when missing), analysed once.
    // Refused: a record without points ("IsCurveExist: Data Array is empty!") or one whose
    // date matches a curve of the block ("Signature Measured at %s already loaded, ignore
    // it."). Returns 0 when added.
    int AddSignatureData(const CSignatureData& record);
    // 0 removed; 1 with "Curve index out of range".
    int RemoveCurve(int type, int index);
    const SignatureCurve* Curve(int type, int index) const;
    // "Curve <colour name> : <curve title>".
    std::string CurveMenuText(int type, int index) const;
    int SetCurveColor(int type, int index, ColorValue color);
    int SetNotes(int type, int index, const std::string& notes);

    // ---- Files ---------------------------------------------------------------------------
    void SetChooser(config::FileChooser chooser) { chooser_ = std::move(chooser); }
    void SetOpener(diagnostics::FileOpener opener) { opener_ = std::move(opener); }
    // The device of "Save To Record/Baseline" and the tag that names saved files.
    void SetDevice(diagnostics::SignatureDevice* device, std::string tag);
    // The profile file that holds the p of Tp (default: the program's).
    void SetProfileFile(std::string file) { profileFile_ = std::move(file); }
    // Today's date for default file names (tests fix it).
    void SetToday(diagnostics::CalendarDate today) {
        today_ = today;
        fixedToday_ = true;
    }

    // The window menu's load command: asks for a file, reads it whole, asks whether to clear
    // the graphs shown (and whether to save unsaved ones first), and loads. With a current
    // block only that graph's data are taken from the file. 0 loaded, 1 failed, 2 cancelled.
    int LoadCommand();
    // Loads a file without questions: into the window (intoType -1) or into one graph.
    // Returns the number of curves added, or -1 when the file was refused.
    int LoadFile(const std::string& path, int intoType = -1);
    // Writes every graph with curves into a file chosen by the user. 0, 1 failed, 2 cancelled.
    int SaveAllGraphs();
    // "&Save To File": the graph of curve `index` into a file chosen by the user.
    int SaveGraph(int type);
    // "&Save To Record" / "&Save To Baseline".
    int SaveToDevice(int type, int index, bool asRecord);
    // Whether a device is there for the commands that read or save what it keeps.
    bool HasDevice() const { return device_ != nullptr; }
    // "Load &Baseline From Device" / "Load &Record From Device": the standard signature the
    // device keeps, added to the actuator signature graph beside the curves shown. 0 added,
    // 1 failed or nothing kept (with its message).
    int LoadFromDevice(bool baseline);
    // "&Export to Excel File" of one curve, or of every curve of a graph (index -1).
    int Export(int type, int index);
    // Before the graphs are discarded: asks `question` when unsaved curves are shown (Yes
    // saves them, No discards them: they count as saved from then on). 0 go on, 2 stay.
    int QuerySave(const char* question = kGraphUnsavedQuestion);

    // The default file name of a graph: tag + kind suffix + "_MMDDYYYY".
    std::string GraphFileName(int type) const;
    // The window's default file name: tag + "_MMDDYYYY.sig".
    std::string WindowFileName() const;

    // Blocks as written to a file (those with curves).
    std::vector<diagnostics::SignatureBlockToWrite> BlocksToWrite() const;

    // Called after every change that the drawing must follow.
    void SetOnChanged(std::function<void()> callback) { onChanged_ = std::move(callback); }

private:
    // Adds the records of a file's block into the graph of `type`.
    int Merge(diagnostics::SignatureFileBlock& block, int type, const std::string& path);
    int Apply(diagnostics::SignatureFileContents& contents, int intoType, const std::string& path);
    // Checks that the file holds data for `intoType`: "Data type mismatch. ..." otherwise.
    bool HasDataFor(const diagnostics::SignatureFileContents& contents, int intoType) const;
    int WriteBlocks(const std::string& path, const std::vector<int>& types);
    ColorValue FreeColor(const SignatureGraphBlock& block) const;
    void Changed();
    diagnostics::CalendarDate TodayDate() const;

    std::vector<SignatureGraphBlock> blocks_;  // ordered by type
    int current_ = -1;
    bool showAll_ = true;
    GridStyle grid_ = GridStyle::Dot;
    bool saved_ = true;
    config::FileChooser chooser_;
    diagnostics::FileOpener opener_;
    diagnostics::SignatureDevice* device_ = nullptr;
    std::string tag_;
    std::string profileFile_;
    diagnostics::CalendarDate today_;
    bool fixedToday_ = false;
    std::function<void()> onChanged_;
};

}  // namespace graphs
