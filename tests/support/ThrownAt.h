#pragma once
#include <gtest/gtest.h>

#include <optional>

#include "MVException.h"

// Runs call() and returns the MVException it throws, having checked the source file name and
// line it names; fails the test and returns nothing when call() throws none.
template <class Call>
std::optional<MVException> ThrownAt(const wchar_t* file, int line, Call call)
{
    try
    {
        call();
    }
    catch (const MVException& e)
    {
        EXPECT_STREQ(file, e.GetFile());
        EXPECT_EQ(line, e.GetLine());
        return e;
    }
    ADD_FAILURE() << "no MVException, expected one from line " << line;
    return std::nullopt;
}
