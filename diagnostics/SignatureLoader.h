#pragma once
// Uploading a stored signature measurement from a device into a record, on a worker thread
// of its own. The device side is the SignatureDevice interface: the positioner's device
// object implements it on the transducer block's signature parameters, tests put a scripted
// device behind it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/CSignatureData.h"
#include "platform/Event.h"
#include "platform/WindowMessages.h"

namespace diagnostics {

// Which stored measurement to upload: 1 the latest of the kind, 2 the standard signature
// kept as baseline, 3 the standard signature kept as record.
enum SignatureSelector : int { SelectLatest = 1, SelectBaseline = 2, SelectRecord = 3 };
// The selector that loads a record of the given data source (0 latest, 2 record, 3 baseline).
int SelectorForSource(int dataSource);

// The upload operations of a device. Every operation returns 0 on success; a failure
// reports its text through ReportError itself. Called on the loader thread.
class SignatureDevice {
public:
    virtual ~SignatureDevice() = default;
    virtual bool IsOnline() = 0;
    // The device's PD tag ("" when unknown).
    virtual std::string GetDeviceTag() = 0;
    // The 7-byte date of the selected measurement.
    virtual int ReadSignatureDate(uint8_t kindBit, int selector, uint8_t date[7]) = 0;
    // The 9 header floats in host order; a step series (`stepSeries`) gets the run's step
    // settings in floats 1-8.
    virtual int ReadSignatureHeader(uint8_t kindBit, int selector, bool stepSeries, SignatureHeader& header) = 0;
    // The number of points the device measured in the running or last measurement.
    virtual int ReadSignatureCount(uint8_t kindBit, uint16_t& count) = 0;
    // Up to `count` points; `count` returns the number read. x: pressure, input signal or
    // step set points; y: positions.
    virtual int ReadSignaturePoints(uint8_t kindBit, int selector, uint16_t& count, std::vector<float>& x,
                                    std::vector<float>& y) = 0;
    // `count` points of the running high-resolution measurement from point `first`;
    // -1 when the device has already overwritten them.
    virtual int ReadHighResChunk(uint16_t first, uint16_t count, std::vector<float>& x, std::vector<float>& y) = 0;
    // The pressure (spring) range and the position range with their unit texts.
    virtual int ReadAxisRanges(SignatureAxis& pressure, SignatureAxis& position) = 0;
    // The open stop adjustment (%) now in force.
    virtual int ReadOpenStopAdjustment(float& value) = 0;
    // Keeps the latest standard signature as the record (true) or as the baseline (false).
    virtual int SaveSignatureInDevice(bool asRecord) = 0;
};

// One queued load (the signature page's queue node).
struct SignatureLoadRequest {
    int kind = KindStandard;
    bool readCount = false;   // take the point count from the device's counter
    bool partial = false;     // a chunk of a running high-resolution measurement
    uint16_t first = 0;       // partial: first point
    uint16_t count = 0;       // partial: number of points
    bool stepSeries = false;  // one step of a step-response series
};

// The number of points stored for a kind, derived from its header (at most 600); 0 when the
// header's floats give no count (not finite, or below one).
uint16_t StoredPointCount(int kind, const SignatureHeader& header);

// The upload itself, on the calling thread: fills `data` (whose data source selects the
// stored measurement). Returns 0, -1 (overrun, partial loads only) or 1; `error` names the
// failure ("Current Device is OFFLINE!", "Unknown signature type!",
// "The number of signature data points mismatch", or the device's own failure).
int UploadSignature(SignatureDevice& device, const SignatureLoadRequest& request, CSignatureData& data,
                    std::string& error);

// The worker behind CSignatureData::StartDataLoading.
class SignatureLoader {
public:
    static constexpr uint32_t kStopLimitMs = 3000;

    SignatureLoader() = default;
    ~SignatureLoader();
    SignatureLoader(const SignatureLoader&) = delete;
    SignatureLoader& operator=(const SignatureLoader&) = delete;

    // Starts uploading into a copy of `seed`; posts WM_SIG_DATA_LOADED(recordTag, result)
    // to `notify` at the end. 1 when a load is still running.
    int Start(SignatureDevice& device, platform::WindowHandle notify, const SignatureLoadRequest& request,
              uintptr_t recordTag, const CSignatureData& seed);
    bool IsRunning() const;
    // Moves the ended load's data into `record`; returns its result, or 2 when none ended.
    int Take(CSignatureData& record, std::string* error = nullptr);
    // Waits for the worker at most kStopLimitMs; a worker still busy after that is left to
    // end on its own (it only touches state it shares with nobody else).
    void Stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace diagnostics
