// What an HSE device (or anyone on the network) sends us: one datagram, decoded as a
// message and its parameters as every service of ours would read them.
#include <cstdint>
#include <string>
#include <vector>

#include "nifb/hse/FdaMessage.h"
#include "nifb/hse/FdaServices.h"

using namespace nifb::hse;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Message m;
    std::string why;
    if (!DecodeMessage(data, size, m, why)) return 0;
    const std::vector<uint8_t>& b = m.body;
    ErrorInfo error;
    OpenSession open;
    FindTagQuery query;
    FindTagReply reply;
    IdentifyResponse identify;
    ClearAddress clear;
    ClearAssignment clearAll;
    FmsIdentity identity;
    SetAssignment assign;
    SetAssignmentResponse assigned;
    FmsInitiate init;
    FmsInitiateResponse initiated;
    FmsAbort abort;
    ObjectAccess access;
    GetOdRequest getOd;
    ObjectDescription od;
    DownloadSegment segment;
    uint32_t index = 0;
    uint8_t result = 0;
    Decode(b, error);
    StatusForError(error);
    Decode(b, open);
    Decode(b, query);
    Decode(b, reply);
    if (Decode(b, identify)) {
        LinksOf(identify.entries);
        NodesOf(identify.entries);
    }
    Decode(b, clear);
    Decode(b, clearAll);
    Decode(b, identity);
    Decode(b, assign);
    Decode(b, assigned);
    Decode(b, init);
    Decode(b, initiated);
    Decode(b, abort);
    DecodeRead(b, true, access);
    DecodeRead(b, false, access);
    DecodeWrite(b, true, access);
    DecodeWrite(b, false, access);
    Decode(b, getOd);
    Decode(b, od);
    Decode(b, segment);
    DecodeIndex(b, index);
    DecodeFinalResult(b, result);
    Describe(m);
    return 0;
}
