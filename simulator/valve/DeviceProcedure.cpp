#include "simulator/valve/DeviceProcedure.h"

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"
#include "simulator/valve/ValveFaults.h"

namespace simulator::valve {

uint8_t DeviceProcedure::CheckStart(ActivityContext& ctx) { return FailsafeActive(ctx.tb) ? kResultFailsafe : 0; }

bool DeviceProcedure::Hangs(const ValveFaults& faults) const { return faults.hangProcedures; }

uint8_t DeviceProcedure::OnFinish(ActivityContext& ctx, uint8_t code) {
    if (ctx.faults.forcedResult != 0) code = ctx.faults.forcedResult;
    // The result and the end of the command appear in the same instant.
    ctx.tb.SetByte("AUTO_TUNE_STATE", 100);
    ctx.tb.SetByte("AUTO_TUNE_RESULT", code);
    ctx.tb.SetByte("AUTO_TUNE_EXEC", kExecOff);
    return code;
}

void DeviceProcedure::OnCancel(ActivityContext& ctx) {
    ctx.tb.SetByte("AUTO_TUNE_STATE", 0);
    ctx.tb.SetByte("AUTO_TUNE_RESULT", kResultCancelled);
    ctx.tb.SetByte("AUTO_TUNE_EXEC", kExecOff);
}

void DeviceProcedure::Publish(Block& tb) {
    if (!Finished()) tb.SetByte("AUTO_TUNE_STATE", Progress());
}

std::unique_ptr<DeviceProcedure> MakeDeviceProcedure(uint8_t command, std::shared_ptr<ProcedureMemory> memory) {
    if (!memory) memory = std::make_shared<ProcedureMemory>();
    auto p = std::make_unique<DeviceProcedure>(command);
    switch (command) {
        case kExecFindStops:
        case kExecStopsAfterAdjust:
        case kExecManualStops: {
            auto stops = AddStopFinding(*p, command, memory);
            p->SetConclusion([stops](ActivityContext&) { return stops->outcome; });
            break;
        }
        case kExecAutoTune:
            AddAutoTune(*p, nullptr, memory);
            break;
        case kExecStopsAndTune: {
            auto stops = AddStopFinding(*p, kExecFindStops, memory);
            AddAutoTune(*p, stops, memory);
            break;
        }
        case kExecSelfCheck:
            AddSelfCheck(*p, memory);
            break;
        default:
            return nullptr;
    }
    return p;
}

}  // namespace simulator::valve
