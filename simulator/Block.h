#pragma once
// One block of a simulated device: its header record (relative index 0), its parameters
// (relative indices 1..n, in the device's order) and its views, plus the mode state that
// makes the actual mode follow the target after a settle time.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "simulator/DeviceObject.h"

namespace simulator {

struct Block {
    std::string kind;  // "RB", "TB", "AO", "DI", "PID", "SPLT", "IS", "AR", "AI"
    std::string tag;
    uint8_t blockType = NIF_FUNCTION_BLOCK;
    uint16_t profile = 0;
    uint16_t profileRevision = 1;
    uint16_t ddRevision = 1;
    uint32_t ddMember = 0;
    uint32_t ddItem = 0;
    uint16_t startIndex = 0;
    uint32_t executionTime = 960;  // 1/32 ms
    uint32_t period = 32000;
    std::vector<DeviceObject> objects;  // [0] header, then parameters, then views
    uint16_t numParams = 0;
    uint16_t firstView = 0;  // position of the first view in `objects`
    uint8_t numView3 = 0;
    uint8_t numView4 = 0;

    // Mode state: a target written at `pendingAt` becomes effective after the settle time.
    uint8_t effectiveTarget = MODE_OOS;
    uint8_t pendingTarget = MODE_OOS;
    uint64_t pendingAt = 0;
    bool pending = false;

    std::unordered_map<std::string, int> positions;  // name -> position in `objects`

    // Position of an object by its exact name, as a device compares it; -1 when absent.
    // Served from the name index once the block is built (MakeBlock, Layout).
    int Find(const std::string& name) const;
    // Rebuilds the name index; called whenever `objects` changed.
    void IndexNames();
    DeviceObject* Obj(const std::string& name);
    const DeviceObject* Obj(const std::string& name) const;

    // Assigns indices from `startIndex`, resolves view members and fills the header.
    // Returns false (with `error`) when a view names an unknown parameter.
    bool Layout(std::string& error);
    void RefreshHeader();
    void RefreshView(DeviceObject& view) const;

    uint8_t Target() const;
    uint8_t Actual() const;
    void SetActual(uint8_t mode);

    float GetFloat(const std::string& name, size_t offset = 0) const;
    void SetFloat(const std::string& name, float v, size_t offset = 0);
    uint8_t GetByte(const std::string& name, size_t offset = 0) const;
    void SetByte(const std::string& name, uint8_t v, size_t offset = 0);
};

// A block with its header and standard leading parameters (ST_REV, TAG_DESC, STRATEGY,
// ALERT_KEY, MODE_BLK, BLOCK_ERR) followed by `params` and the views.
Block MakeBlock(const std::string& kind, const std::string& tag, uint8_t blockType, uint16_t profile,
                uint16_t startIndex, uint8_t permittedModes, uint8_t normalMode, std::vector<DeviceObject> params,
                std::vector<DeviceObject> views);

// Text comparison without regard to case (interface names, "MIB").
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace simulator
