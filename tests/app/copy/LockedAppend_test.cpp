#include "LockedAppend.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <atomic>
#include <fstream>
#include <set>
#include <thread>

namespace {
// Two writers released at one moment onto one new file, again and again: the header must be
// written once per file and every row whole, once.
TEST(LockedAppend, TwoWritersAtOnceNeitherInterleaveNorLoseARowNorRepeatTheHeader)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"pel", 0, path);
    for (int round = 0; round < 20; ++round) {
        DeleteFileW(path);
        std::atomic<int> started(0), failures(0);
        auto writer = [&](char id) {
            for (++started; started < 2;)
                std::this_thread::yield();
            for (int row = 0; row < 25; ++row)
                failures += !AppendLocked(path, "HEADER\n", std::string(4000, id) + std::to_string(row) + "\n");
        };
        std::thread first(writer, 'a'), second(writer, 'b');
        first.join();
        second.join();
        std::ifstream file(path);
        std::string line;
        std::set<std::string> rows;
        EXPECT_TRUE(std::getline(file, line) && line == "HEADER");
        while (std::getline(file, line))
            EXPECT_TRUE(line.find_first_not_of(line[0]) == 4000 && rows.insert(line).second) << "rows mixed or twice";
        EXPECT_EQ(rows.size(), 50u) << "rows lost";
        EXPECT_EQ(failures, 0);
    }
    DeleteFileW(path);
}
}
