#include "diagnostics/SignatureLoader.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/SignatureMessages.h"

namespace diagnostics {

namespace {

constexpr uint16_t kMostStoredPoints = 600;

// A count taken from a header float: truncated and at most 600; 0 when it is no count at all
// (not a number, infinite, or below one).
uint16_t TruncatedCount(double value) {
    if (!std::isfinite(value) || value < 1.0) return 0;
    return static_cast<uint16_t>(std::min<double>(value, kMostStoredPoints));
}

}  // namespace

int SelectorForSource(int dataSource) {
    switch (dataSource) {
    case SourceRecord: return SelectRecord;
    case SourceBaseline: return SelectBaseline;
    default: return SelectLatest;
    }
}

uint16_t StoredPointCount(int kind, const SignatureHeader& h) {
    switch (kind) {
    case KindStandard: return 18;
    case KindExtended: return 100;
    case KindHighResolution: {
        // The points of the last, partly filled bank of 100.
        const double total = static_cast<double>(h[4]) / h[6] * 1000.0 + 1.0;
        if (!std::isfinite(total) || total < 1.0 || total > 1e9) return 0;
        const uint16_t rest = static_cast<uint16_t>(static_cast<uint32_t>(total) % 100);
        return rest == 0 ? 100 : rest;
    }
    case KindStepResponse: return TruncatedCount(h[4]);
    case KindPositioner: return TruncatedCount(2.0 * h[3] + 1.0);
    default: return 0;
    }
}

int UploadSignature(SignatureDevice& device, const SignatureLoadRequest& request, CSignatureData& data,
                    std::string& error) {
    error.clear();
    if (!device.IsOnline()) {
        error = "Current Device is OFFLINE!";
        return 1;
    }
    const uint8_t bit = KindBit(request.kind);
    if (bit == 0) {
        error = "Unknown signature type!";
        return 1;
    }
    std::vector<float> x, y;
    if (request.partial) {
        const int r = device.ReadHighResChunk(request.first, request.count, x, y);
        if (r != 0) return r == -1 ? -1 : 1;
        data.FillFromUpload(data.header, data.date, x, y, true);
        return 0;
    }

    const int selector = SelectorForSource(data.dataSource);
    uint8_t octets[7] = {};
    if (device.ReadSignatureDate(bit, selector, octets) != 0) return 1;
    SignatureHeader header{};
    if (device.ReadSignatureHeader(bit, selector, request.stepSeries, header) != 0) return 1;
    uint16_t count = 0;
    if (request.readCount) {
        if (device.ReadSignatureCount(bit, count) != 0) return 1;
    } else {
        count = StoredPointCount(request.kind, header);
        if (count == 0) {
            // The header's settings give no point count (not a number, or none at all).
            error = "Load Signature Data Error";
            return 1;
        }
    }
    // The end of a high-resolution measurement whose earlier points came in chunks while it
    // ran: the points from `first` on (the counter counts them all), added to those.
    const bool rest = request.kind == KindHighResolution && request.first > 0;
    if (!rest) count = std::min(count, kMostStoredPoints);
    if (rest) {
        if (count > request.first) {
            const int r = device.ReadHighResChunk(request.first, static_cast<uint16_t>(count - request.first), x, y);
            if (r != 0) return r == -1 ? -1 : 1;
        }
    } else {
        if (device.ReadSignaturePoints(bit, selector, count, x, y) != 0) return 1;
        if (request.kind != KindStepResponse && x.size() != y.size()) {
            error = "The number of signature data points mismatch";
            return 1;
        }
    }

    if (IsActuatorKind(request.kind)) {
        SignatureAxis pressure = data.xAxis, position = data.yAxis;
        if (device.ReadAxisRanges(pressure, position) == 0) {
            data.xAxis = pressure;
            data.yAxis = position;
        }
    }
    float openStop = 100.0f;
    if (device.ReadOpenStopAdjustment(openStop) == 0) data.openStopAdjustment = openStop;
    const std::string tag = device.GetDeviceTag();
    if (!tag.empty()) data.name = tag;
    // The steps of a series after the first add their samples to the record, which keeps the
    // date of the series' first step.
    const bool nextStep = request.kind == KindStepResponse && request.stepSeries && data.HasPoints();
    const SignatureDate date = nextStep ? data.date : SignatureDate::FromDeviceDate(octets);
    data.FillFromUpload(header, date, x, y, rest || nextStep);
    return 0;
}

// ---- The worker ------------------------------------------------------------------------

struct SignatureLoader::Shared {
    std::mutex mutex;
    platform::Event ended{false};
    bool hasResult = false;  // under mutex
    int result = 2;
    std::string error;
    CSignatureData data;
};

SignatureLoader::~SignatureLoader() { Stop(); }

int SignatureLoader::Start(SignatureDevice& device, platform::WindowHandle notify, const SignatureLoadRequest& request,
                           uintptr_t recordTag, const CSignatureData& seed) {
    if (IsRunning()) return 1;
    Stop();
    auto shared = std::make_shared<Shared>();
    shared_ = shared;
    thread_ = std::thread([shared, &device, notify, request, recordTag, data = CSignatureData(seed)]() mutable {
        std::string error;
        const int result = UploadSignature(device, request, data, error);
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->data = std::move(data);
            shared->result = result;
            shared->error = error;
            shared->hasResult = true;
        }
        shared->ended.Set();
        platform::PostMessage(notify, WM_SIG_DATA_LOADED, recordTag, result);
    });
    return 0;
}

bool SignatureLoader::IsRunning() const { return shared_ && !shared_->ended.IsSet(); }

int SignatureLoader::Take(CSignatureData& record, std::string* error) {
    if (!shared_) return 2;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->hasResult) return 2;
    if (error) *error = shared_->error;
    const int result = shared_->result;
    if (result == 0) {
        const int32_t source = record.dataSource;
        record = shared_->data;
        record.dataSource = source;
    }
    shared_->hasResult = false;
    return result;
}

void SignatureLoader::Stop() {
    if (!thread_.joinable()) return;
    if (shared_->ended.Wait(kStopLimitMs))
        thread_.join();
    else
        thread_.detach();
}

}  // namespace diagnostics
