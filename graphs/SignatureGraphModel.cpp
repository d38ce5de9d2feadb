#include "graphs/SignatureGraphModel.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/StepResponsePercent.h"
#include "platform/Ui.h"

namespace graphs {

using namespace diagnostics;

namespace {

// A round grid step giving about ten intervals over `span`.
double NiceStep(double span) {
    if (!(span > 0.0) || !std::isfinite(span)) return 10.0;
    const double raw = span / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= m * power) return m * power;
    return 10.0 * power;
}

void Widen(double& low, double& high, bool& any, double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b)) return;
    low = any ? std::min(low, std::min(a, b)) : std::min(a, b);
    high = any ? std::max(high, std::max(a, b)) : std::max(a, b);
    any = true;
}

// Rounds a range outwards to its grid; an empty range gets some room.
void Round(double& low, double& high, double& step) {
    if (high - low < 1e-6) {
        low -= 1.0;
        high += 1.0;
    }
    step = NiceStep(high - low);
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
}

}  // namespace

std::vector<CurveMenuEntry> CurveContextMenu(const CSignatureData& record, int index) {
    std::vector<CurveMenuEntry> menu = {
        {kCmdSummary + index, "&Measurement Summary"}, {kCmdNotes + index, "Signature &Notes"}, {0, ""},
        {kCmdRemoveCurve + index, "&Remove curve"},    {0, ""},
        {kCmdExportCurve + index, "&Export to Excel File"},
    };
    switch (record.dataSource) {
    case SourceCurrent:
        menu.push_back({kCmdSaveToFile + index, "&Save To File"});
        if (record.kind == KindStandard) {
            menu.push_back({kCmdSaveToRecord + index, "&Save To Record"});
            menu.push_back({kCmdSaveToBaseline + index, "&Save To Baseline"});
        }
        break;
    case SourceFile:
        if (record.saved == 0) menu.push_back({kCmdSaveToFile + index, "&Save To File"});
        break;
    default:
        menu.push_back({kCmdSaveToFile + index, "&Save To File"});
        break;
    }
    return menu;
}

SignatureScale FitScale(int type, const std::vector<const CSignatureData*>& records) {
    double xLow = 0, xHigh = 100, yLow = -10, yHigh = 110;
    bool xAny = false, yAny = false;
    for (const CSignatureData* r : records) {
        if (GraphTypeOf(type) == KindStepResponse) {
            // The samples only: the time axis of a step response starts where they do.
            for (const CFloatPT& p : r->curve1) Widen(xLow, xHigh, xAny, p.x, p.x);
        } else {
            Widen(xLow, xHigh, xAny, r->xMinimum, r->xMaximum);
        }
        Widen(yLow, yHigh, yAny, r->yMinimum, r->yMaximum);
        Widen(yLow, yHigh, yAny, r->yAxis.minimum, r->yAxis.maximum);
        // Actuator and positioner graphs show the whole range of the device as well; the
        // time axis of a step response only its samples.
        if (GraphTypeOf(type) != KindStepResponse) Widen(xLow, xHigh, xAny, r->xAxis.minimum, r->xAxis.maximum);
    }
    SignatureScale scale;
    Round(xLow, xHigh, scale.xStep);
    Round(yLow, yHigh, scale.yStep);
    scale.xMinimum = xLow;
    scale.xMaximum = xHigh;
    scale.yMinimum = yLow;
    scale.yMaximum = yHigh;
    return scale;
}

SignatureGraphModel::SignatureGraphModel() : profileFile_(ProgramProfileFile()) {}

SignatureGraphModel::~SignatureGraphModel() = default;

void SignatureGraphModel::Changed() {
    if (onChanged_) onChanged_();
}

CalendarDate SignatureGraphModel::TodayDate() const { return fixedToday_ ? today_ : Today(); }

int SignatureGraphModel::AddGraphBlock(int type) {
    if (!IsValidKind(type)) {
        platform::ShowMessage("Invalid Signature Graph Type!");
        return 1;
    }
    type = GraphTypeOf(type);
    if (Block(type)) {
        platform::ShowMessage("The Signature Graph Type Already Exist");
        return 1;
    }
    SignatureGraphBlock block;
    block.type = type;
    auto at = std::find_if(blocks_.begin(), blocks_.end(), [type](const auto& b) { return b.type > type; });
    blocks_.insert(at, std::move(block));
    if (current_ < 0) current_ = type;
    Changed();
    return 0;
}

int SignatureGraphModel::RemoveGraphBlock(int type) {
    type = GraphTypeOf(type);
    auto it = std::find_if(blocks_.begin(), blocks_.end(), [type](const auto& b) { return b.type == type; });
    if (it == blocks_.end()) {
        platform::ShowMessage("The Graph Type to be deleted was not found.");
        return 1;
    }
    blocks_.erase(it);
    if (current_ == type) current_ = blocks_.empty() ? -1 : blocks_.front().type;
    Changed();
    return 0;
}

void SignatureGraphModel::RemoveAllGraphs() {
    blocks_.clear();
    current_ = -1;
    saved_ = true;
    Changed();
}

SignatureGraphBlock* SignatureGraphModel::Block(int type) {
    type = GraphTypeOf(type);
    for (SignatureGraphBlock& b : blocks_)
        if (b.type == type) return &b;
    return nullptr;
}

const SignatureGraphBlock* SignatureGraphModel::Block(int type) const {
    return const_cast<SignatureGraphModel*>(this)->Block(type);
}

bool SignatureGraphModel::HasCurves() const {
    return std::any_of(blocks_.begin(), blocks_.end(), [](const auto& b) { return !b.curves.empty(); });
}

void SignatureGraphModel::SetCurrentType(int type) {
    if (!Block(type)) return;
    current_ = GraphTypeOf(type);
    Changed();
}

void SignatureGraphModel::SetShowAll(bool all) {
    showAll_ = all;
    Changed();
}

std::string SignatureGraphModel::ShowCommandText() const {
    return showAll_ ? "Show This Graph &Only" : "Show &All Selected Graph";
}

ColorValue SignatureGraphModel::FreeColor(const SignatureGraphBlock& block) const {
    for (size_t n = 0;; ++n) {
        const ColorValue color = CurveColor(n);
        const bool used = std::any_of(block.curves.begin(), block.curves.end(),
                                      [color](const SignatureCurve& c) { return c.color == color; });
        if (!used || n >= block.curves.size()) return color;
    }
}

int SignatureGraphModel::AddSignatureData(const CSignatureData& record) {
    if (!record.HasPoints()) {
        platform::ShowMessage("IsCurveExist: Data Array is empty!");
        return 1;
    }
    const int type = GraphTypeOf(record.kind);
    if (!IsGraphType(type)) {
        platform::ShowMessage("Invalid Signature Graph Type!");
        return 1;
    }
    if (!Block(type) && AddGraphBlock(type) != 0) return 1;
    SignatureGraphBlock& block = *Block(type);
    const std::string date = record.DateText();
    for (const SignatureCurve& c : block.curves) {
        if (c.record->DateText() == date) {
            platform::ShowMessage(platform::Format("Signature Measured at %s already loaded, ignore it.", date.c_str()));
            return 1;
        }
    }
    SignatureCurve curve;
    curve.record = std::make_unique<CSignatureData>(record);
    if (curve.record->AnalyseOnce(StepResponsePercent(profileFile_)) && !curve.record->results.message.empty())
        platform::ShowMessage(curve.record->results.message);
    curve.color = FreeColor(block);

    // The graph grows to show the new curve; a view that showed everything keeps doing so.
    const bool wholeView = !block.scaled || block.visible == block.full;
    SignatureScale fitted = FitScale(type, {curve.record.get()});
    if (block.scaled) {
        fitted.xMinimum = std::min(fitted.xMinimum, block.full.xMinimum);
        fitted.xMaximum = std::max(fitted.xMaximum, block.full.xMaximum);
        fitted.yMinimum = std::min(fitted.yMinimum, block.full.yMinimum);
        fitted.yMaximum = std::max(fitted.yMaximum, block.full.yMaximum);
        fitted.xStep = block.full.xStep;
        fitted.yStep = block.full.yStep;
    }
    block.full = fitted;
    block.scaled = true;
    if (wholeView) block.visible = block.full;
    block.curves.push_back(std::move(curve));
    saved_ = false;
    Changed();
    return 0;
}

const SignatureCurve* SignatureGraphModel::Curve(int type, int index) const {
    const SignatureGraphBlock* block = Block(type);
    if (!block || index < 0 || static_cast<size_t>(index) >= block->curves.size()) return nullptr;
    return &block->curves[static_cast<size_t>(index)];
}

int SignatureGraphModel::RemoveCurve(int type, int index) {
    if (!Curve(type, index)) {
        platform::ShowMessage("Curve index out of range");
        return 1;
    }
    SignatureGraphBlock& block = *Block(type);
    block.curves.erase(block.curves.begin() + index);
    saved_ = !HasCurves();
    Changed();
    return 0;
}

std::string SignatureGraphModel::CurveMenuText(int type, int index) const {
    const SignatureCurve* curve = Curve(type, index);
    if (!curve) return {};
    return "Curve " + ColorName(curve->color) + " : " + curve->record->CurveTitle();
}

int SignatureGraphModel::SetCurveColor(int type, int index, ColorValue color) {
    if (!Curve(type, index)) {
        platform::ShowMessage("Curve index out of range");
        return 1;
    }
    Block(type)->curves[static_cast<size_t>(index)].color = color;
    Changed();
    return 0;
}

int SignatureGraphModel::SetNotes(int type, int index, const std::string& notes) {
    if (!Curve(type, index)) {
        platform::ShowMessage("Curve index out of range");
        return 1;
    }
    CSignatureData& record = *Block(type)->curves[static_cast<size_t>(index)].record;
    if (record.notes == notes) return 0;
    record.notes = notes;
    record.saved = 0;
    saved_ = false;
    Changed();
    return 0;
}

}  // namespace graphs
