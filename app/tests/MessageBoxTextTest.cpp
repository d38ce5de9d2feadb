#include <gtest/gtest.h>

#include "app/MessageBoxText.h"

TEST(MessageBoxText, DropsTheFirstKilobyteWheneverTheBoxReachesFourKilobytes) {
    std::string box;
    app::AppendMessageLines(box, {std::string(4095, 'a')});
    EXPECT_EQ(4095u, box.size());
    app::AppendMessageLines(box, {"x"});  // below 4096 before adding: nothing dropped
    EXPECT_EQ(4096u, box.size());
    app::AppendMessageLines(box, {"yz"});  // 4096 reached: the oldest 1024 characters go first
    EXPECT_EQ(4096u - 1024u + 2u, box.size());
    EXPECT_EQ("xyz", box.substr(box.size() - 3));
    EXPECT_EQ(std::string(3071, 'a'), box.substr(0, 3071));
}
