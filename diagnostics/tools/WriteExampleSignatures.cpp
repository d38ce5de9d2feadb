// Writes the example signature files shipped in the program directory's "Signature Data":
//   signature_write_examples <folder>
#include <cstdio>
#include <filesystem>

#include "diagnostics/SignatureFile.h"
#include "diagnostics/tools/ExampleSignatures.h"

using namespace diagnostics;
using namespace diagnostics::examples;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);

    ValveModel fresh;
    ValveModel worn;
    worn.friction = 7.0f;
    worn.springLow = 22.0f;
    worn.overshoot = 14.0f;
    worn.timeConstant = 0.6f;
    worn.accuracy = 0.6f;

    const CSignatureData std101 = StandardSignature(fresh, "FV-101", MakeDate(2024, 3, 11, 9, 40));
    const CSignatureData ext101 = ExtendedSignature(fresh, "FV-101", MakeDate(2024, 3, 11, 9, 52));
    const CSignatureData std101b = StandardSignature(worn, "FV-101", MakeDate(2025, 2, 4, 14, 5));
    const CSignatureData ext101b = ExtendedSignature(worn, "FV-101", MakeDate(2025, 2, 4, 14, 18));
    const CSignatureData step101 = StepResponse(fresh, "FV-101", MakeDate(2024, 3, 11, 10, 3), 40.0f, 60.0f, 120);
    const CSignatureData step101b = StepResponse(worn, "FV-101", MakeDate(2025, 2, 4, 14, 31), 40.0f, 60.0f, 120);
    const CSignatureData series101 = StepSeries(fresh, "FV-101", MakeDate(2025, 2, 4, 14, 40), 75);
    const CSignatureData pos102 = PositionerSignature(fresh, "FV-102", MakeDate(2024, 11, 20, 8, 15));

    struct File {
        const char* name;
        std::vector<SignatureBlockToWrite> blocks;
    };
    const File files[] = {
        {"FV-101_commissioning.sig", {Block(KindStandard, {&std101}), Block(KindExtended, {&ext101})}},
        {"FV-101_service.sig", {Block(KindStandard, {&std101b}), Block(KindExtended, {&ext101b})}},
        {"FV-101_step_response.sig", {Block(KindStepResponse, {&step101, &step101b, &series101})}},
        {"FV-102_positioner.sig", {Block(KindPositioner, {&pos102})}},
    };
    for (const File& file : files) {
        const std::string path = folder + "/" + file.name;
        if (WriteSignatureFile(path, file.blocks) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
