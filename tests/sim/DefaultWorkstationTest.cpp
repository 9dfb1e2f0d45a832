// Start-up reads the embedded default from the CBOR made of its JSON file
// while building; it must build the same workstation as the text.
#include <gtest/gtest.h>

#include "SimInternal.h"

namespace qvsim::detail {
namespace {

TEST(DefaultWorkstation, TheCborCopyBuildsWhatTheTextBuilds) {
    std::vector<std::string> warnings;
    auto fromCbor = BuildFromCbor(DefaultWorkstationCbor(), warnings);
    std::string fault;
    auto fromText = BuildFromText(DefaultWorkstationJson(), "", fault, warnings);
    ASSERT_TRUE(fromCbor && fromText);
    EXPECT_TRUE(warnings.empty());
    Workstation a = *fromCbor, b = *fromText;
    EXPECT_EQ(a.networkIndex.size(), b.networkIndex.size());
    a.networkIndex.clear();
    b.networkIndex.clear();
    EXPECT_TRUE(a == b);
}

}  // namespace
}  // namespace qvsim::detail
