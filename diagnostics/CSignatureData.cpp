#include "diagnostics/CSignatureData.h"

#include <cmath>
#include <limits>

#include "diagnostics/SignatureAnalyser.h"
#include "diagnostics/SignatureLoader.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {
constexpr float kUnset = std::numeric_limits<float>::infinity();
}

CSignatureData::CSignatureData(int kindIndex) { Reset(kindIndex); }

CSignatureData::CSignatureData(const CSignatureData& other) { CopyData(other); }

CSignatureData& CSignatureData::operator=(const CSignatureData& other) {
    if (this != &other) CopyData(other);
    return *this;
}

CSignatureData::~CSignatureData() = default;

void CSignatureData::CopyData(const CSignatureData& o) {
    results = o.results;
    notes = o.notes;
    name = o.name;
    fileVersion = o.fileVersion;
    filePath = o.filePath;
    dataSource = o.dataSource;
    kind = o.kind;
    saved = o.saved;
    xMaximum = o.xMaximum;
    xMinimum = o.xMinimum;
    yMaximum = o.yMaximum;
    yMinimum = o.yMinimum;
    openStopAdjustment = o.openStopAdjustment;
    curve1 = o.curve1;
    curve2 = o.curve2;
    date = o.date;
    header = o.header;
    xAxis = o.xAxis;
    yAxis = o.yAxis;
}

void CSignatureData::Reset(int kindIndex) {
    results = SignatureResults{};
    notes.clear();
    name = "Unknown";
    fileVersion.clear();
    filePath.clear();
    dataSource = SourceCurrent;
    kind = kindIndex;
    saved = 0;
    xMaximum = xMinimum = yMaximum = yMinimum = kUnset;
    openStopAdjustment = 100.0f;
    curve1.clear();
    curve2.clear();
    date = SignatureDate{};
    header.fill(0.0f);
    SetDefaultAxes();
}

void CSignatureData::SetDefaultAxes() {
    switch (kind) {
    case KindStepResponse:
        xAxis = {0.0f, 1e8f, "s"};
        yAxis = {-10.0f, 110.0f, "%"};
        break;
    case KindTrend:
        xAxis = {0.0f, 180.0f, "s"};
        yAxis = {0.0f, 100.0f, "%"};
        break;
    case KindPositioner:
        xAxis = {0.0f, 100.0f, "%"};
        yAxis = {-10.0f, 110.0f, "%"};
        break;
    default:
        xAxis = {0.0f, 100.0f, "kPa"};
        yAxis = {-10.0f, 110.0f, "%"};
        break;
    }
}

std::string CSignatureData::CurveTitle() const {
    if (name != "Unknown") return name + " @ " + DateText();
    const char* word = nullptr;
    switch (dataSource) {
    case SourceCurrent: word = "CURRENT @ "; break;
    case SourceFile: word = "FILE @ "; break;
    case SourceRecord: word = "RECORD @ "; break;
    case SourceBaseline: word = "BASELINE @ "; break;
    default:
        platform::ShowMessage("Unknown data source.");
        return {};
    }
    return word + DateText();
}

std::string CSignatureData::DefaultFileName(const CalendarDate& today) const {
    return name + KindFileSuffix(kind) +
           platform::Format("_%02u%02u%04u_%02u%02u", unsigned{date.month}, unsigned{date.day},
                            static_cast<unsigned>(FourDigitYear(date.year, today)), unsigned{date.hour},
                            unsigned{date.minutes});
}

void CSignatureData::FillFromUpload(const SignatureHeader& uploadedHeader, const SignatureDate& uploadedDate,
                                    const std::vector<float>& x, const std::vector<float>& y, bool append) {
    header = uploadedHeader;
    date = uploadedDate;
    if (!append) {
        curve1.clear();
        curve2.clear();
    }
    if (kind == KindStepResponse) {
        // Positions and set points against the time of each sample.
        const size_t start = curve1.size();
        const double period = static_cast<double>(header[3]) * 0.001;
        for (size_t i = 0; i < y.size(); ++i) {
            const float t = static_cast<float>(static_cast<double>(start + i) * period);
            curve1.push_back({t, y[i], 0});
            if (i < x.size()) curve2.push_back({t, x[i], 0});
        }
    } else {
        const size_t n = std::min(x.size(), y.size());
        for (size_t i = 0; i < n; ++i) curve1.push_back({x[i], y[i], 0});
    }
    graphs::MarkFirstPoint(curve1);
    graphs::MarkFirstPoint(curve2);
    ComputeBounds();
}

void CSignatureData::ComputeBounds() {
    xMaximum = xMinimum = yMaximum = yMinimum = kUnset;
    bool any = false;
    for (const CFloatPT& p : curve1) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        if (!any) {
            xMinimum = xMaximum = p.x;
            yMinimum = yMaximum = p.y;
            any = true;
            continue;
        }
        xMinimum = std::min(xMinimum, p.x);
        xMaximum = std::max(xMaximum, p.x);
        yMinimum = std::min(yMinimum, p.y);
        yMaximum = std::max(yMaximum, p.y);
    }
    if (any && kind == KindStepResponse) {
        // Room on both sides of the time axis.
        xMinimum = -10.0f;
        xMaximum = curve1.back().x + 10.0f;
    }
}

bool CSignatureData::AnalyseOnce(float stepResponsePercent) {
    if (results.Analysed()) return false;
    AnalyseSignature(*this, stepResponsePercent);
    return true;
}

int CSignatureData::StartDataLoading(SignatureDevice& device, platform::WindowHandle notify,
                                     const SignatureLoadRequest& request) {
    if (!loader_) loader_ = std::make_unique<SignatureLoader>();
    if (loader_->IsRunning()) {
        platform::ShowMessage("Loading data thread already exist.");
        return 1;
    }
    if (!request.partial) saved = 0;
    return loader_->Start(device, notify, request, reinterpret_cast<uintptr_t>(this), *this);
}

bool CSignatureData::IsLoading() const { return loader_ && loader_->IsRunning(); }

int CSignatureData::TakeLoadedData(std::string* error) { return loader_ ? loader_->Take(*this, error) : 2; }

void CSignatureData::StopDataLoading() {
    if (loader_) loader_->Stop();
}

int CSignatureData::Clear() {
    if (IsLoading()) {
        platform::ShowMessage("Error: SignatureData can not be cleared.");
        return 1;
    }
    Reset(kind);
    return 0;
}

}  // namespace diagnostics
