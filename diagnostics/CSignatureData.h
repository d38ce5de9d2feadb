#pragma once
// One signature measurement: its kind, where it came from, the settings it was measured with
// (the header), its date, its curves, the axis ranges and units, free notes and the results
// of its analysis. Records are filled by an upload from a device, by reading a signature
// file, or created empty.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/SignatureDate.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureResults.h"
#include "graphs/CFloatPT.h"
#include "platform/WindowMessages.h"

namespace diagnostics {

using graphs::CFloatPT;

enum SignatureDataSource : int32_t {
    SourceCurrent = 0,   // the device's latest measurement
    SourceFile = 1,      // read from a signature file
    SourceRecord = 2,    // the standard signature the device keeps as its record
    SourceBaseline = 3,  // the standard signature the device keeps as its baseline
};

struct SignatureAxis {
    float minimum = 0.0f;
    float maximum = 100.0f;
    std::string unit;
    bool operator==(const SignatureAxis&) const = default;
};

// Header floats: 0 is always the temperature; the others depend on the kind.
using SignatureHeader = std::array<float, 9>;

class SignatureDevice;
class SignatureLoader;
struct SignatureLoadRequest;

class CSignatureData {
public:
    explicit CSignatureData(int kind = KindStandard);
    // Copies the data; a running loader stays with the original.
    CSignatureData(const CSignatureData& other);
    CSignatureData& operator=(const CSignatureData& other);
    ~CSignatureData();  // stops a running loader (see SignatureLoader)

    // All fields to the defaults of `kind`: name "Unknown", notes empty, bounds unset,
    // open stop adjustment 100, results zero, saved 0, the kind's default axes.
    void Reset(int kind);
    // The kind's default axes (actuator kinds: 0-100 "kPa" against -10-110 "%").
    void SetDefaultAxes();

    std::string DateText() const { return date.Text(); }
    bool HasPoints() const { return !curve1.empty(); }
    // The curve's title: "<name> @ <date>" for a named record, else the source word
    // ("CURRENT @ ", "FILE @ ", "RECORD @ ", "BASELINE @ ") and the date. An unknown source
    // shows "Unknown data source." and gives "".
    std::string CurveTitle() const;
    // name + kind suffix + "_MMDDYYYY_hhmm" of the measurement date (four-digit year by the
    // century rule against `today`).
    std::string DefaultFileName(const CalendarDate& today = Today()) const;

    // Fills the curves from uploaded arrays (x: pressure, input or step set points; y:
    // positions) and widens the bounds. `append` adds to the points already held (the
    // chunks of a high-resolution measurement).
    void FillFromUpload(const SignatureHeader& uploadedHeader, const SignatureDate& uploadedDate,
                        const std::vector<float>& x, const std::vector<float>& y, bool append = false);
    // Recomputes the bounds from curve 1 (unset when it holds no finite point).
    void ComputeBounds();

    // Runs the analysis when the record has not been analysed yet; `stepResponsePercent` is
    // the p of "Tp" for step responses. Returns true when it ran.
    bool AnalyseOnce(float stepResponsePercent);

    // ---- Loading from a device (one loader thread per record) ----------------------------
    // Starts the loader; shows "Loading data thread already exist." and returns 1 while one
    // runs. The loader posts WM_SIG_DATA_LOADED (wParam: this record, lParam: result) to
    // `notify` when it ends; TakeLoadedData then moves what it read into the record.
    int StartDataLoading(SignatureDevice& device, platform::WindowHandle notify, const SignatureLoadRequest& request);
    bool IsLoading() const;
    // Moves the loader's data into the record. Returns the load's result (0 ok, -1 device
    // buffer overrun, other nonzero values failure), or 2 when no load has ended. `error`,
    // when given, receives the text of a failure that is to be shown.
    int TakeLoadedData(std::string* error = nullptr);
    // Waits for a running loader (at most the worker stop limit); it is abandoned after that.
    void StopDataLoading();
    // Back to the defaults of the record's kind. A record that is loading is left alone:
    // "Error: SignatureData can not be cleared." and 1.
    int Clear();

    // ---- Data ----------------------------------------------------------------------------
    SignatureResults results;
    std::string notes;
    std::string name = "Unknown";
    std::string fileVersion;
    std::string filePath;
    int32_t dataSource = SourceCurrent;
    int32_t kind = KindStandard;
    uint8_t saved = 0;
    float xMaximum, xMinimum, yMaximum, yMinimum;  // +infinity while unset
    float openStopAdjustment = 100.0f;
    std::vector<CFloatPT> curve1;  // pressure (input, time) against position
    std::vector<CFloatPT> curve2;  // step response: time against set point
    SignatureDate date;
    SignatureHeader header{};
    SignatureAxis xAxis;
    SignatureAxis yAxis;

private:
    void CopyData(const CSignatureData& other);
    std::unique_ptr<SignatureLoader> loader_;
};

}  // namespace diagnostics
