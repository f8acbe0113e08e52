#include "platform/OptionalLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(OptionalLibrary, MissingLibraryGivesTheSameMessageEveryTimeAndNoFunction) {
    OptionalLibrary library("libannivo-no-such-library.so.7", "播放提醒的声音");
    std::string error;
    EXPECT_FALSE(library.Open(error));
    EXPECT_EQ(error.rfind("找不到程序库“libannivo-no-such-library.so.7”，无法播放提醒的声音。"
                          "请安装它后再试。",
                          0),
              0u)
        << error;

    // Asking again, or for a function, answers the same without trying anew.
    std::string again;
    EXPECT_FALSE(library.Open(again));
    EXPECT_EQ(again, error);
    std::size_t (*length)(const char*) = &std::strlen;
    std::string bindError;
    EXPECT_FALSE(library.Bind(length, "strlen", bindError));
    EXPECT_EQ(length, nullptr);
    EXPECT_EQ(bindError, error);
}

TEST(OptionalLibrary, FoundFunctionsWorkAndAMissingOneIsNamed) {
    OptionalLibrary library("libc.so.6", "测试");
    std::string error;
    ASSERT_TRUE(library.Open(error)) << error;
    EXPECT_TRUE(error.empty());

    std::size_t (*length)(const char*) = nullptr;
    ASSERT_TRUE(library.Bind(length, "strlen", error)) << error;
    EXPECT_EQ(length("生日"), 6u);

    void (*missing)() = &std::abort;
    EXPECT_FALSE(library.Bind(missing, "annivo_no_such_function", error));
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(error, "程序库“libc.so.6”的版本不合适（缺少 annivo_no_such_function），无法测试。");
}

} // namespace
