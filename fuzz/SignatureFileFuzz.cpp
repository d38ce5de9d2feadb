// Signature files (.sig): reading any bytes must refuse or accept without harm, and an
// accepted file must store again.
#include <cstdint>
#include <string>
#include <string_view>

#include "diagnostics/SignatureFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    diagnostics::SignatureFileContents contents;
    std::string error;
    if (diagnostics::ParseSignatureFile(std::string_view(reinterpret_cast<const char*>(data), size), contents, error,
                                        "fuzz.sig") == 0) {
        std::vector<diagnostics::SignatureBlockToWrite> blocks;
        for (const diagnostics::SignatureFileBlock& block : contents.blocks) {
            diagnostics::SignatureBlockToWrite b{block.kind, block.visible, block.full, {}};
            for (const diagnostics::CSignatureData& curve : block.curves) b.curves.push_back(&curve);
            blocks.push_back(b);
        }
        diagnostics::StoreSignatureFile(blocks, contents.version);
    }
    return 0;
}
