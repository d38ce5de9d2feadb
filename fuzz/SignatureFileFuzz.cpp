// Signature files (.sig): any bytes are refused with a message or accepted, and an accepted
// file stores again to bytes that read back to the same blocks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "diagnostics/SignatureFile.h"

using namespace diagnostics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SignatureFileContents contents;
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (ParseSignatureFile(bytes, contents, error, "fuzz.sig") != 0) {
        if (error.empty() || !contents.blocks.empty()) std::abort();  // refused: a message, nothing kept
        return 0;
    }
    std::vector<SignatureBlockToWrite> blocks;
    for (const SignatureFileBlock& b : contents.blocks) {
        SignatureBlockToWrite w{b.kind, b.visible, b.full, {}};
        for (const CSignatureData& r : b.curves) w.curves.push_back(&r);
        blocks.push_back(w);
    }
    const std::string stored = StoreSignatureFile(blocks, contents.version);
    SignatureFileContents again;
    if (ParseSignatureFile(stored, again, error) != 0 || again.blocks.size() != contents.blocks.size())
        std::abort();
    for (size_t i = 0; i < again.blocks.size(); ++i)
        if (again.blocks[i].curves.size() != contents.blocks[i].curves.size()) std::abort();
    return 0;
}
