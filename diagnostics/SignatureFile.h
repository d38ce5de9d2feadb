#pragma once
// Signature files (".sig", also saved as ".std", ".ext", ".stp", ".pos"): one or more graph
// blocks, each with its scales and its curves (signature records).
//
//   header   text "Tessaro", text "SIGNATURE DATA", text version, u32 0xFFFFFFFF (reserved)
//   u32 n    number of graph blocks, then n u32 kinds, then the n blocks in that order
//   block    visible scale and full scale (8 f64 each: x min, x max, x grid step, one more x
//            value, y min, y max, y grid step, one more y value), u32 m, m curve records
//   curve    name (text, from "2.11"), u32 kind, f32 x min, x max, y min, y max, open stop
//            adjustment (f32, from "2.12"), 9 f32 header, date (u32 summer time; u8 hour,
//            minutes, seconds; u16 milliseconds; u8 weekday, day, month, year), x axis and
//            y axis (f32 min, f32 max, text unit each), notes (text), curve 1 and curve 2
//            (points)
//
// Reading checks the whole file before anything is handed on: a damaged or truncated file
// gives one clear error and no record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/CSignatureData.h"

namespace diagnostics {

inline constexpr const char* kSignatureProductId = "Tessaro";
inline constexpr const char* kSignatureFileMarker = "SIGNATURE DATA";
inline constexpr const char* kSignatureVersion = "2.12";  // written by default
// The versions read and written: "2.10" (no names), "2.11" (names), "2.12" (names and the
// open stop adjustment).
bool IsSignatureVersion(const std::string& version);

// A graph's scale record. Its meaning belongs to the graph window; readers keep it as read.
struct SignatureScale {
    double xMinimum = 0.0, xMaximum = 100.0, xStep = 10.0, xExtra = 0.0;
    double yMinimum = -10.0, yMaximum = 110.0, yStep = 10.0, yExtra = 0.0;
    bool operator==(const SignatureScale&) const = default;
};

// One graph block as read from a file.
struct SignatureFileBlock {
    int kind = KindStandard;
    SignatureScale visible;
    SignatureScale full;
    std::vector<CSignatureData> curves;
};

struct SignatureFileContents {
    std::string version;
    std::vector<SignatureFileBlock> blocks;
};

// One graph block to write: its kind, scales and the records (borrowed).
struct SignatureBlockToWrite {
    int kind = KindStandard;
    SignatureScale visible;
    SignatureScale full;
    std::vector<const CSignatureData*> curves;
};

// The bytes of a signature file holding `blocks`, in `version` (one of the three).
std::string StoreSignatureFile(const std::vector<SignatureBlockToWrite>& blocks,
                               const std::string& version = kSignatureVersion);

// Reads a whole file image. Returns 0 and fills `contents` (each record's file version set),
// or 1 with `error` holding the message to show: "Not a Tessaro data file!", "Not a valid
// SIGNATURE data file", "Invalid signature data version (<v>)", "Error: Different signature
// type! Data loading aborted." or "Error: The signature data file <name> is damaged or
// incomplete. Data loading aborted.". `contents` is left untouched on failure.
int ParseSignatureFile(std::string_view bytes, SignatureFileContents& contents, std::string& error,
                       const std::string& fileName = {});

// Parses a signature file held in a byte buffer and throws the result away: 0 when the file
// is accepted. The entry point for fuzzing the reader.
int ParseSignatureBuffer(const uint8_t* data, size_t size);

// Writes `blocks` into `path` through a temporary file renamed into place; shows
// "Error: Unable to write file %s." on failure. Returns 0 on success.
int WriteSignatureFile(const std::string& path, const std::vector<SignatureBlockToWrite>& blocks,
                       const std::string& version = kSignatureVersion);
// Reads `path`; shows "Error: Unable to open file %s." or the reading error. 0 on success.
int ReadSignatureFile(const std::string& path, SignatureFileContents& contents);

}  // namespace diagnostics
