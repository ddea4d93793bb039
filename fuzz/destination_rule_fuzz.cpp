// The destination rule of "ファイル," lines over any name. A second, plain
// resolver here (tests/support/cp932_model.h) cuts the name into characters,
// then into components at \ and /, and walks them from the install folder.
// A name the rule accepts must stay inside the folder and have none of the
// other faults the rule names; a name it refuses must have the fault the
// rule gives as the reason. The verdict is the same with / for every \
// separator: both separate.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/destination_rule.h"
#include "tests/support/cp932_model.h"

namespace {

using cp932_model::nextByRanges;

// The name with every separator character written as the other one.
std::string separatorsSwapped(const cp932_model::Text& name) {
    std::string swapped = name.bytes();
    for (std::size_t k = 0; k < name.starts().size(); ++k) {
        char& c = swapped[name.starts()[k]];
        if (name.isSingle(k, '\\')) {
            c = '/';
        } else if (name.isSingle(k, '/')) {
            c = '\\';
        }
    }
    return swapped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactText name(data, size);
    const DestinationProblem problem = destinationProblemOf(name.c_str());
    FUZZ_REQUIRE(destinationStaysInside(name.c_str()) == (problem == DestinationProblem::none));

    const cp932_model::Text model(name.c_str(), nextByRanges);
    FUZZ_REQUIRE(cp932_model::reasonHolds(problem, cp932_model::destinationFactsOf(model)));

    const ExactText swapped(separatorsSwapped(model));
    FUZZ_REQUIRE(destinationProblemOf(swapped.c_str()) == problem);
    return 0;
}
