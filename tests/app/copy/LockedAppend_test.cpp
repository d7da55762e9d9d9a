#include "LockedAppend.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

namespace {
// Two writers released at one moment onto one new file, again and again: the header must be
// written once per file and every row whole, once.
TEST(LockedAppend, TwoWritersAtOnceNeitherInterleaveNorLoseARowNorRepeatTheHeader)
{
    const int kFiles = 20, kRows = 25;
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"pel", 0, path);
    for (int round = 0; round < kFiles; ++round) {
        DeleteFileW(path);
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        bool ok[2] = {true, true};
        auto writer = [&](int id) {
            WaitForSingleObject(go, INFINITE);
            for (int row = 0; row < kRows; ++row) {
                const std::string line = std::string(4000, char('a' + id)) + std::to_string(row) + "\n";
                ok[id] = AppendLocked(path, "HEADER\n", line) && ok[id];
            }
        };
        std::thread first(writer, 0), second(writer, 1);
        SetEvent(go);
        first.join();
        second.join();
        CloseHandle(go);
        EXPECT_TRUE(ok[0] && ok[1]);

        std::ifstream file(path, std::ios::binary);
        std::istringstream text(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
        std::string line;
        std::getline(text, line);
        EXPECT_EQ(line, "HEADER");
        std::set<std::string> seen;
        while (std::getline(text, line)) {
            EXPECT_TRUE(line.size() > 4000 && line.find_first_not_of(line[0]) == 4000) << "rows interleaved";
            EXPECT_TRUE(seen.insert(line).second) << "a row twice, or the header again";
        }
        EXPECT_EQ(seen.size(), std::size_t(2 * kRows)) << "rows lost";
    }
    DeleteFileW(path);
}
}
