#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "MVString.h"
#include "MVStringfunc.h"

namespace
{
std::wstring Units(wchar_t unit, size_t count) { return std::wstring(count, unit); }

// after 0: the request cannot be met; it throws and leaves the builder as it was.
struct ReserveCase { UINT granule; UINT before; UINT request; UINT after; };

TEST(MVString, ReserveGoesToTheNextMultipleOfTheGranuleAboveTheRequest)
{
    const ReserveCase cases[] = {
        {64, 64, 1, 64}, {64, 64, 64, 64}, {64, 64, 65, 128}, {64, 64, 128, 192}, {64, 64, 260, 320},
        {64, 128, 128, 128}, {64, 128, 129, 192}, {10, 64, 65, 70},
        {0, 64, 71, 72},  // a zero step still grows
        // Capacities whose byte count or granule multiple wraps in 32 bits.
        {64, 64, 0x7FFFFFE1, 0}, {64, 64, 0x80000000, 0}, {64, 64, 0xFFFFFFFF, 0}, {64, 64, MaxTextUnits, 0},
        {0x80000000, 64, 73, 0},
    };
    for (const ReserveCase& c : cases) {
        MVString s;
        s.Reserve(c.before - 1);
        ASSERT_EQ(c.before, s.GetCapacity());
        s.Append(L"keep");
        s.granule = c.granule;
        if (c.after == 0)
            EXPECT_THROW(s.Reserve(c.request), std::bad_alloc) << "request " << c.request;
        else
            s.Reserve(c.request);
        EXPECT_EQ(c.after ? c.after : c.before, s.GetCapacity()) << "request " << c.request << " on " << c.before;
        EXPECT_STREQ(L"keep", s.GetBuffer());
    }
}

// A builder made from `start` (the default builder when null), edited; the text, its length and
// the capacity after.
struct EditCase
{
    const char* fault;
    const wchar_t* start;
    std::function<void(MVString&)> edit;
    std::wstring text;
    UINT capacity;
};

TEST(MVString, EditsKeepTheTextItsLengthAndTheGrowthRule)
{
    const std::wstring fifty = Units(L'f', 50), hundred = Units(L'x', 100);
    const auto none = [](MVString&) {};
    const EditCase cases[] = {
        {"the default builder grows before its 64th unit", nullptr, [](MVString& s) { s.Append(Units(L'a', 63).c_str()); },
         Units(L'a', 63), 64},
        {"the 64th unit does not grow the builder", nullptr,
         [](MVString& s) { s.Append(Units(L'a', 63).c_str()).AppendChar('b'); }, Units(L'a', 63) + L"b", 128},
        {"a short text takes less than a granule", L"abc", none, L"abc", 64},
        {"a long text is not kept at its exact size", hundred.c_str(), none, hundred, 101},
        {"Assign does not measure the text", L"previous text", [](MVString& s) { s.Assign(L"hello"); }, L"hello", 64},
        {"Assign ignores n", L"x", [](MVString& s) { s.Assign(L"hello world", 4); }, L"hell", 64},
        {"Assign grows to the text, not to n's granule", L"x",
         [](MVString& s) { s.Assign(Units(L'w', 200).c_str(), 150); }, Units(L'w', 150), 192},
        {"Assign of its own tail reads a freed buffer", nullptr,
         [](MVString& s) { s.Append(Units(L'm', 63).c_str()).Append(L"!"); s.Assign(s.GetBuffer() + 60, 0); }, L"mmm!", 128},
        {"appending its own const text", L"abc", [](MVString& s) { s.Append(const_cast<const wchar_t*>(s.GetBuffer())); },
         L"abcabc", 64},
        {"appending itself", L"xyz", [](MVString& s) { s.Append(s); }, L"xyzxyz", 64},
        {"appending its own text across a growth", fifty.c_str(), [](MVString& s) { s.Append(s.GetBuffer()); },
         fifty + fifty, 128},
        {"appending its own tail", fifty.c_str(), [](MVString& s) { s.AppendText(s.GetBuffer() + 40); },
         fifty + Units(L'f', 10), 64},
        {"appending nothing", L"abc",
         [](MVString& s) { s.AppendText(nullptr).AppendText(L"").Append(static_cast<const wchar_t*>(nullptr)); }, L"abc", 64},
        {"an append after a stale short length overwrites or overruns", nullptr,
         [](MVString& s) {
             std::fill(s.GetBuffer(), s.GetBuffer() + 60, L'd');
             s.GetBuffer()[60] = L'\0';  // length still says 0
             s.Append(Units(L'e', 20).c_str());
         },
         Units(L'd', 60) + Units(L'e', 20), 128},
        {"SyncLength misses direct writes", L"abc",
         [](MVString& s) { wcscpy(s.GetBuffer(), L"a longer text"); EXPECT_EQ(13u, s.SyncLength()); }, L"a longer text", 64},
        {"a char is sign-extended", nullptr, [](MVString& s) { s.AppendChar('A').AppendChar(static_cast<char>(0xE9)); },
         L"A\u00e9", 64},
        {"floating values", nullptr,
         [](MVString& s) { s.AppendDouble(-2.5).AppendChar(' ').AppendDouble(1.1).AppendChar(' ').AppendFloat(0.1f); },
         L"-2.5 1.1 0.1", 64},
        {"Format appends instead of replacing", L"old contents", [](MVString& s) { s.Format(L"%d-%s", 42, L"x"); },
         L"42-x", 64},
    };
    for (const EditCase& c : cases) {
        MVString s = c.start ? MVString(c.start) : MVString();
        c.edit(s);
        EXPECT_EQ(c.text, s.GetBuffer()) << c.fault;
        EXPECT_EQ(c.text.size(), s.GetLength()) << c.fault;
        EXPECT_EQ(c.capacity, s.GetCapacity()) << c.fault;
        EXPECT_EQ(10, s.radix) << c.fault;
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

TEST(MVString, CopiesOwnTheirBufferKeepTheSettingsAndStopAtTheText)
{
    MVString original(Units(L'q', 64).c_str());  // capacity 65
    original.radix = 16;
    original.granule = 32;
    MVString copy(original), assigned(L"second, longer");
    assigned = original;
    for (const MVString* s : {&copy, &assigned}) {
        EXPECT_NE(original.GetBuffer(), s->GetBuffer());
        EXPECT_EQ(Units(L'q', 64), s->GetBuffer());
        EXPECT_EQ(16, s->radix);
        EXPECT_EQ(32u, s->granule);
    }
    EXPECT_EQ(96u, copy.GetCapacity());  // 32 x (65 / 32 + 1)
    const MVString empty;
    EXPECT_EQ(64u, MVString(empty).GetCapacity());

    original.GetBuffer()[2] = L'\0';  // written directly, no SyncLength
    const MVString stale(original);
    EXPECT_STREQ(L"qq", stale.GetBuffer());
    EXPECT_EQ(2u, stale.GetLength());
}

struct NumberCase { bool ushort; BYTE radix; int value; const wchar_t* expected; };

TEST(MVString, NumbersInTheRadixWithHexInGroups)
{
    const NumberCase cases[] = {
        {false, 16, 0x1F, L"001f"}, {false, 16, 0x12345, L"00012345"}, {false, 16, -1, L"ffffffff"},
        {false, 16, 0, L"0000"}, {false, 16, 0xABCD, L"abcd"}, {false, 10, -5, L"-5"}, {false, 10, 0, L"0"},
        {false, 10, 2147483647, L"2147483647"}, {false, 10, INT_MIN, L"-2147483648"}, {false, 2, 5, L"101"},
        {false, 2, -1, L"11111111111111111111111111111111"}, {false, 8, 8, L"10"}, {false, 36, 35, L"z"},
        {false, 1, 42, L"42"}, {false, 0, -42, L"-42"},
        {true, 16, 0xF, L"0f"}, {true, 16, 0x123, L"0123"}, {true, 16, 0xFFFF, L"ffff"}, {true, 16, 0, L"00"},
        {true, 10, 65535, L"65535"}, {true, 10, 7, L"7"}, {true, 2, 2, L"10"},
    };
    for (const NumberCase& c : cases) {
        MVString s;
        s.radix = c.radix;
        if (c.ushort)
            s.AppendUShort(static_cast<unsigned short>(c.value));
        else
            s.AppendInt(c.value);
        EXPECT_STREQ(c.expected, s.GetBuffer()) << (c.ushort ? "ushort" : "int") << " radix " << int(c.radix) << " value "
                                                << c.value;
    }
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

TEST(MVString, ReleaseDestroysAtZeroOnly)
{
    MVString* s = new MVString(L"held");
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

// Loading reads the record back and keeps the capacity of its own buffer, grown with its own
// granule where the text needs more.
TEST(MVString, SerializeWritesTheRecordByteForByteAndReadsItBack)
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
    archive.storing = false;
    MVString loaded(L"something else");
    loaded.Serialize(archive);
    EXPECT_EQ(archive.bytes.size(), archive.position);
    EXPECT_STREQ(L"A\u00e9\u20ac", loaded.GetBuffer());
    EXPECT_EQ(3u, loaded.GetLength());
    EXPECT_EQ(16, loaded.radix);
    EXPECT_EQ(0x01020304u, loaded.granule);

    MemoryArchive longer(true);
    MVString(Units(L'r', 70).c_str()).Serialize(longer);
    longer.storing = false;
    MVString grown;
    grown.Serialize(longer);
    EXPECT_EQ(Units(L'r', 70), grown.GetBuffer());
    EXPECT_EQ(128u, grown.GetCapacity());  // not the stored 71
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
