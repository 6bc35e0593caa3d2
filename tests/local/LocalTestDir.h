// A fresh scratch folder per test under the build's test area.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

inline std::string LocalScratch()
{
    const char* root = std::getenv("K5_TEST_TMP");
    const std::filesystem::path base =
        root != nullptr && root[0] != 0 ? std::filesystem::path(root) : std::filesystem::path(K5_BINARY_DIR) / "testtmp";
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir = base / ("local" + std::to_string(::getpid())) /
                                      (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}
