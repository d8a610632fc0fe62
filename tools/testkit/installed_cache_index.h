// A test program's URL cache holding an index written by Windows: installed
// once, before any test of the program (or a Tessiwok.exe it starts) opens
// the cache; nothing commits into it afterwards. Header only, for gtest
// programs; the testkit library itself does not use gtest.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tools/testkit/windows_cache_index.h"

namespace testkit {

class InstalledCacheIndex : public ::testing::Environment {
public:
    explicit InstalledCacheIndex(std::string index) : index_(std::move(index)) {}
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(InstallCacheIndex(index_, &error)) << error;
    }

private:
    std::string index_;
};

}  // namespace testkit
