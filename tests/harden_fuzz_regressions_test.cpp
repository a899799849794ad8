// Every input the fuzz targets ever found a fault with, kept in
// fuzz/regressions/<target>/, replayed through the targets' own drivers so
// that the plain and 32-bit builds check them too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../fuzz/chkfld_driver.h"
#include "../fuzz/eval_driver.h"
#include "../fuzz/messages_driver.h"

namespace {

namespace fs = std::filesystem;

using Driver = std::string (*)(const uint8_t *, std::size_t);

void replay(const char *target, Driver driver) {
    const fs::path dir = fs::path(TALV_FUZZ_REGRESSIONS) / target;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    for (const auto &entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(driver(data.data(), data.size()), "") << entry.path();
    }
}

TEST(HardenFuzzRegressions, Eval) { replay("eval", talv_fuzz::run_eval_input); }
TEST(HardenFuzzRegressions, Chkfld) { replay("chkfld", talv_fuzz::run_chkfld_input); }
TEST(HardenFuzzRegressions, Messages) { replay("messages", talv_fuzz::run_messages_input); }

}  // namespace
