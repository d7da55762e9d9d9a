#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "MVString.h"
#include "MVStringfunc.h"

namespace
{
std::wstring Units(wchar_t unit, size_t count) { return std::wstring(count, unit); }

TEST(MVString, DefaultBuilderGrowsOnlyPastItsFirst63Units)
{
    MVString s;
    EXPECT_EQ(64u, s.GetCapacity());
    EXPECT_EQ(0u, s.GetLength());
    EXPECT_STREQ(L"", s.GetBuffer());

    s.Append(Units(L'a', 63).c_str());
    EXPECT_EQ(63u, s.GetLength());
    EXPECT_EQ(64u, s.GetCapacity());

    s.AppendChar('b');
    EXPECT_EQ(64u, s.GetLength());
    EXPECT_EQ(128u, s.GetCapacity());
    EXPECT_EQ(Units(L'a', 63) + L"b", s.GetBuffer());
}

// after 0: the request cannot be met; it throws and leaves the builder as it was.
struct ReserveCase { UINT before; UINT request; UINT after; };

TEST(MVString, ReserveGoesToTheNextMultipleOfTheGranuleAboveTheRequest)
{
    const ReserveCase cases[] = {
        {64, 1, 64}, {64, 64, 64}, {64, 65, 128}, {64, 128, 192}, {64, 260, 320}, {128, 128, 128}, {128, 129, 192},
        // Capacities whose byte count or granule multiple wraps in 32 bits.
        {64, 0x7FFFFFE1, 0}, {64, 0x80000000, 0}, {64, 0xFFFFFFFF, 0}, {64, MaxTextUnits, 0},
    };
    for (const ReserveCase& c : cases) {
        MVString s;
        s.Reserve(c.before - 1);
        ASSERT_EQ(c.before, s.GetCapacity());
        s.Append(L"keep");
        if (c.after == 0)
            EXPECT_THROW(s.Reserve(c.request), std::bad_alloc) << "request " << c.request;
        else
            s.Reserve(c.request);
        EXPECT_EQ(c.after ? c.after : c.before, s.GetCapacity()) << "request " << c.request << " on " << c.before;
        EXPECT_STREQ(L"keep", s.GetBuffer());
    }
}

TEST(MVString, ReserveFollowsAChangedGranule)
{
    MVString s(L"abc");
    s.granule = 10;
    s.Reserve(65);
    EXPECT_EQ(70u, s.GetCapacity());
    s.granule = 0;  // a zero step still grows
    s.Reserve(71);
    EXPECT_EQ(72u, s.GetCapacity());
    s.granule = 0x80000000;  // one step wraps to 0 bytes in 32 bits
    EXPECT_THROW(s.Reserve(73), std::bad_alloc);
    EXPECT_EQ(72u, s.GetCapacity());
    EXPECT_STREQ(L"abc", s.GetBuffer());
}

TEST(MVString, ConstructionFromTextKeepsItsExactSizeAboveTheGranule)
{
    const std::wstring hundred = Units(L'x', 100);
    struct { const wchar_t* text; UINT length; UINT capacity; } cases[] = {
        {L"", 0, 64}, {L"abc", 3, 64}, {hundred.c_str(), 100, 101},
    };
    for (const auto& c : cases) {
        MVString s(c.text);
        EXPECT_EQ(c.length, s.GetLength());
        EXPECT_EQ(c.capacity, s.GetCapacity());
        EXPECT_STREQ(c.text, s.GetBuffer());
        EXPECT_EQ(10, s.radix);
    }
}

TEST(MVString, ConstructionFromNullGivesAZeroFilledBuffer)
{
    MVString s(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(0u, s.GetLength());
    ASSERT_EQ(64u, s.GetCapacity());
    for (UINT i = 0; i < s.GetCapacity(); ++i)
        ASSERT_EQ(L'\0', s.GetBuffer()[i]) << i;
}

TEST(MVString, CopyOwnsItsBufferAndFollowsTheGrowthRule)
{
    MVString original(Units(L'q', 64).c_str());
    original.radix = 16;
    original.granule = 32;
    EXPECT_EQ(65u, original.GetCapacity());

    MVString copy(original);
    EXPECT_NE(original.GetBuffer(), copy.GetBuffer());
    EXPECT_EQ(64u, copy.GetLength());
    EXPECT_EQ(96u, copy.GetCapacity());  // 32 x (65 / 32 + 1)
    EXPECT_EQ(16, copy.radix);
    EXPECT_EQ(32u, copy.granule);

    original.GetBuffer()[0] = L'Z';
    EXPECT_EQ(Units(L'q', 64), copy.GetBuffer());

    const MVString empty;
    MVString defaultCopy(empty);
    EXPECT_EQ(64u, defaultCopy.GetCapacity());
    EXPECT_STREQ(L"", defaultCopy.GetBuffer());
}

TEST(MVString, CopyOfAStaleLongerLengthStopsAtTheText)
{
    MVString s(L"abcdef");
    s.GetBuffer()[2] = L'\0';  // written directly, no SyncLength
    MVString copy(s);
    EXPECT_STREQ(L"ab", copy.GetBuffer());
    EXPECT_EQ(2u, copy.GetLength());
}

TEST(MVString, AssignMeasuresOrTakesTheGivenUnits)
{
    MVString s(L"previous text");
    s.Assign(L"hello");
    EXPECT_STREQ(L"hello", s.GetBuffer());
    EXPECT_EQ(5u, s.GetLength());
    s.Assign(L"hello world", 4);
    EXPECT_STREQ(L"hell", s.GetBuffer());
    EXPECT_EQ(4u, s.GetLength());
    const std::wstring longText = Units(L'w', 200);
    s.Assign(longText.c_str(), 150);
    EXPECT_EQ(Units(L'w', 150), s.GetBuffer());
    EXPECT_EQ(192u, s.GetCapacity());
}

TEST(MVString, AssignOfItsOwnTailSurvivesGrowth)
{
    MVString s(Units(L'm', 63).c_str());
    s.Append(L"!");
    s.Assign(s.GetBuffer() + 60, 0);
    EXPECT_STREQ(L"mmm!", s.GetBuffer());
}

TEST(MVString, AppendingItselfDoublesTheText)
{
    MVString a(L"abc");
    a.Append(const_cast<const wchar_t*>(a.GetBuffer()));
    EXPECT_STREQ(L"abcabc", a.GetBuffer());
    EXPECT_EQ(6u, a.GetLength());

    MVString b(L"xyz");
    b.Append(b);
    EXPECT_STREQ(L"xyzxyz", b.GetBuffer());

    // Across a growth, where the old buffer is freed during the append.
    const std::wstring fifty = Units(L'f', 50);
    MVString c(fifty.c_str());
    c.Append(c.GetBuffer());  // the virtual text entry
    EXPECT_EQ(fifty + fifty, c.GetBuffer());
    EXPECT_EQ(128u, c.GetCapacity());

    MVString d(fifty.c_str());
    d.AppendText(d.GetBuffer() + 40);
    EXPECT_EQ(fifty + Units(L'f', 10), d.GetBuffer());
}

TEST(MVString, AppendTextOfNothingChangesNothing)
{
    MVString s(L"abc");
    const wchar_t* buffer = s.GetBuffer();
    s.AppendText(nullptr);
    s.AppendText(L"");
    s.Append(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(buffer, s.GetBuffer());
    EXPECT_EQ(3u, s.GetLength());
    EXPECT_EQ(64u, s.GetCapacity());
}

TEST(MVString, SyncLengthPicksUpDirectWrites)
{
    MVString s(L"abc");
    wcscpy(s.GetBuffer(), L"a longer text");
    EXPECT_EQ(3u, s.GetLength());
    EXPECT_EQ(13u, s.SyncLength());
    EXPECT_EQ(13u, s.GetLength());
}

TEST(MVString, AppendAfterAStaleShortLengthStaysInsideTheBuffer)
{
    MVString s;
    std::fill(s.GetBuffer(), s.GetBuffer() + 60, L'd');
    s.GetBuffer()[60] = L'\0';  // length still says 0
    const std::wstring twenty = Units(L'e', 20);
    s.Append(twenty.c_str());
    EXPECT_EQ(Units(L'd', 60) + twenty, s.GetBuffer());
    EXPECT_EQ(80u, s.GetLength());
    EXPECT_EQ(128u, s.GetCapacity());
}

struct NumberCase { BYTE radix; int value; const wchar_t* expected; };

TEST(MVString, AppendIntWritesTheRadixWithHexInGroupsOfFour)
{
    const NumberCase cases[] = {
        {16, 0x1F, L"001f"}, {16, 0x12345, L"00012345"}, {16, -1, L"ffffffff"}, {16, 0, L"0000"},
        {16, 0xABCD, L"abcd"}, {10, -5, L"-5"}, {10, 0, L"0"}, {10, 2147483647, L"2147483647"},
        {10, INT_MIN, L"-2147483648"}, {2, 5, L"101"}, {2, -1, L"11111111111111111111111111111111"},
        {8, 8, L"10"}, {36, 35, L"z"}, {1, 42, L"42"}, {0, -42, L"-42"},
    };
    for (const NumberCase& c : cases) {
        MVString s;
        s.radix = c.radix;
        s.AppendInt(c.value);
        EXPECT_STREQ(c.expected, s.GetBuffer()) << "radix " << int(c.radix) << " value " << c.value;
    }
}

TEST(MVString, AppendUShortWritesHexInPairs)
{
    const NumberCase cases[] = {
        {16, 0xF, L"0f"}, {16, 0x123, L"0123"}, {16, 0xFFFF, L"ffff"}, {16, 0, L"00"},
        {10, 65535, L"65535"}, {10, 7, L"7"}, {2, 2, L"10"},
    };
    for (const NumberCase& c : cases) {
        MVString s;
        s.radix = c.radix;
        s.AppendUShort(static_cast<unsigned short>(c.value));
        EXPECT_STREQ(c.expected, s.GetBuffer()) << "radix " << int(c.radix) << " value " << c.value;
    }
}

TEST(MVString, AppendCharZeroExtendsTheByte)
{
    MVString s;
    s.AppendChar('A').AppendChar(static_cast<char>(0xE9));
    EXPECT_EQ(2u, s.GetLength());
    EXPECT_EQ(L'A', s.GetBuffer()[0]);
    EXPECT_EQ(wchar_t(0x00E9), s.GetBuffer()[1]);
}

TEST(MVString, AppendFloatingValues)
{
    MVString s;
    s.AppendDouble(-2.5).AppendChar(' ').AppendDouble(1.1).AppendChar(' ').AppendFloat(0.1f);
    EXPECT_STREQ(L"-2.5 1.1 0.1", s.GetBuffer());
}

// Records which target a forwarding entry reached.
class RecordingString : public MVString
{
public:
    MVString& AppendInt(int value) override { calls += L"int:" + std::to_wstring(value) + L";"; return *this; }
    MVString& AppendUShort(unsigned short value) override { calls += L"ushort:" + std::to_wstring(value) + L";"; return *this; }
    MVString& AppendChar(char value) override { calls += L"char:" + std::wstring(1, wchar_t(value)) + L";"; return *this; }
    MVString& AppendText(const wchar_t* text) override { calls += std::wstring(L"text:") + text + L";"; return *this; }
    MVString& AppendDouble(double value) override { calls += L"double:" + std::to_wstring(int(value * 10)) + L";"; return *this; }
    std::wstring calls;
};

TEST(MVString, ForwardingEntriesReachTheirTargetsThroughTheVirtualTable)
{
    RecordingString r;
    MVString& s = r;
    wchar_t text[] = L"t";
    s.Append(7).Append('c').Append(static_cast<unsigned short>(9)).Append(-3L).Append(5u).Append(text);
    s.AppendFloat(0.5f);
    EXPECT_EQ(L"int:7;char:c;ushort:9;int:-3;int:5;text:t;double:5;", r.calls);
}

TEST(MVString, FormatMemberReplacesTheText)
{
    MVString s(L"old contents");
    s.Format(L"%d-%s", 42, L"x");
    EXPECT_STREQ(L"42-x", s.GetBuffer());
    EXPECT_EQ(4u, s.GetLength());
}

TEST(MVString, AssignmentCopiesTextAndSettings)
{
    MVString a(L"first");
    a.radix = 16;
    MVString b(L"second, longer");
    b = a;
    EXPECT_STREQ(L"first", b.GetBuffer());
    EXPECT_EQ(16, b.radix);
    EXPECT_NE(a.GetBuffer(), b.GetBuffer());
}

TEST(MVString, ReleaseDestroysAtZeroOnly)
{
    MVString* s = new MVString(L"held");
    EXPECT_EQ(0, s->refCount);
    s->refCount = 2;
    EXPECT_EQ(1, s->Release());
    EXPECT_STREQ(L"held", s->GetBuffer());
    EXPECT_EQ(0, s->Release());  // freed here
    MVString onStack;
    EXPECT_EQ(-1, onStack.Release());  // never counted up, so never destroyed
}

class MemoryArchive : public MVArchive
{
public:
    explicit MemoryArchive(bool storing) : storing(storing) {}
    BOOL IsStoring() const override { return storing; }
    void Write(const void* data, UINT bytes) override
    {
        const BYTE* p = static_cast<const BYTE*>(data);
        this->bytes.insert(this->bytes.end(), p, p + bytes);
    }
    void Read(void* data, UINT count) override
    {
        BYTE* out = static_cast<BYTE*>(data);
        for (UINT i = 0; i < count; ++i)
            out[i] = position < bytes.size() ? bytes[position++] : 0;
    }
    bool storing;
    std::vector<BYTE> bytes;
    size_t position = 0;
};

TEST(MVString, SerializeWritesTheRecordByteForByte)
{
    MVString s(L"A\u00e9\u20ac");
    s.radix = 16;
    s.granule = 0x01020304;
    MemoryArchive archive(true);
    s.Serialize(archive);
    const std::vector<BYTE> expected = {
        3, 0, 0, 0,                                // length
        'A', 0, 0xE9, 0, 0xAC, 0x20, 0, 0,         // text and NUL, little-endian units
        16,                                        // radix
        0x04, 0x03, 0x02, 0x01,                    // granule
        64, 0, 0, 0,                               // capacity
    };
    EXPECT_EQ(expected, archive.bytes);
    EXPECT_EQ(2u * 3 + 15, archive.bytes.size());
}

TEST(MVString, SerializeLoadsTheRecordAndKeepsItsOwnCapacity)
{
    MVString stored(Units(L'r', 70).c_str());
    stored.radix = 8;
    stored.granule = 16;
    MemoryArchive archive(true);
    stored.Serialize(archive);
    ASSERT_EQ(2u * 70 + 15, archive.bytes.size());

    archive.storing = false;
    MVString loaded(L"something else");
    loaded.Serialize(archive);
    EXPECT_EQ(archive.bytes.size(), archive.position);
    EXPECT_EQ(Units(L'r', 70), loaded.GetBuffer());
    EXPECT_EQ(70u, loaded.GetLength());
    EXPECT_EQ(8, loaded.radix);
    EXPECT_EQ(16u, loaded.granule);
    EXPECT_EQ(128u, loaded.GetCapacity());  // grown with the old granule, not the stored 71
}

TEST(MVString, SerializeLoadTerminatesADamagedText)
{
    MemoryArchive archive(false);
    archive.bytes = {2, 0, 0, 0, 'o', 0, 'k', 0, '!', 0, 10, 64, 0, 0, 0, 64, 0, 0, 0};
    MVString loaded;
    loaded.Serialize(archive);
    EXPECT_STREQ(L"ok", loaded.GetBuffer());
    EXPECT_EQ(2u, loaded.GetLength());

    // A length whose NUL would wrap the unit count.
    MemoryArchive huge(false);
    huge.bytes = {0xFF, 0xFF, 0xFF, 0xFF, 'x', 0};
    EXPECT_THROW(loaded.Serialize(huge), std::bad_alloc);
    EXPECT_STREQ(L"ok", loaded.GetBuffer());
}
}
