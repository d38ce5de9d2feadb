#include "nifb/NifbRequest.h"

#include "nifb/ByteStream.h"

namespace nifb {

std::vector<uint8_t> EncodeRequest(const Request& r) {
    ByteWriter w;
    w.U16(static_cast<uint16_t>(r.op));
    w.U32(r.desc);
    w.Text(r.name);
    for (uint32_t a : r.arg) w.U32(a);
    w.Bytes(r.data.data(), r.data.size());
    return std::move(w.Data());
}

bool DecodeRequest(const std::vector<uint8_t>& bytes, Request& out) {
    ByteReader rd(bytes);
    uint16_t op;
    if (!rd.U16(op) || op < static_cast<uint16_t>(Op::OpenSession) || op > static_cast<uint16_t>(Op::Last))
        return false;
    out.op = static_cast<Op>(op);
    if (!rd.U32(out.desc) || !rd.Text(out.name)) return false;
    for (uint32_t& a : out.arg)
        if (!rd.U32(a)) return false;
    return rd.Bytes(out.data) && rd.AtEnd();
}

std::vector<uint8_t> EncodeResponse(const Response& r) {
    ByteWriter w;
    w.U32(static_cast<uint32_t>(r.status));
    for (uint32_t v : r.value) w.U32(v);
    w.Bytes(r.data.data(), r.data.size());
    return std::move(w.Data());
}

bool DecodeResponse(const std::vector<uint8_t>& bytes, Response& out) {
    ByteReader rd(bytes);
    uint32_t status;
    if (!rd.U32(status)) return false;
    out.status = static_cast<int32_t>(status);
    for (uint32_t& v : out.value)
        if (!rd.U32(v)) return false;
    return rd.Bytes(out.data) && rd.AtEnd();
}

}  // namespace nifb
