#pragma once
#include <windows.h>
#include "MVPersistent.h"

// A heap-held, NUL-terminated UTF-16 string that grows in steps of `granule` units.
//
// A holder may write into GetBuffer() directly, within GetCapacity() units and ending with a
// NUL, and then call SyncLength(). Every appender starts at the text's real end (its first NUL),
// so a stale length never makes an append write outside the buffer.
//
// Overloads of Append: Append(L"literal") (const text) checks for self-appends; Append(wchar_t*)
// goes through the virtual table to AppendText, which is equally safe when the text lies inside
// the builder's own buffer. Integer overloads append the number in `radix`; unsigned int and
// long go through AppendInt, so in radix 10 values above 0x7FFFFFFF print as negative.
// Append(char) appends one character (the byte zero-extended, 0xE9 becomes U+00E9).
//
// No text grows past MaxTextUnits (MVStringfunc.h): an operation that would throws
// std::bad_alloc and leaves the builder as it was.
class MVString : public MVPersistent
{
public:
    MVString();
    // A null text gives an empty string with a zero-filled buffer of `granule` units.
    MVString(const wchar_t* text);
    MVString(const MVString& other);
    MVString& operator=(const MVString& other);
    ~MVString() override;

    // Storing writes: length (4 bytes), the text with its NUL ((length + 1) x 2 bytes), radix
    // (1 byte), granule (4 bytes), capacity (4 bytes), all little-endian: 2 x length + 15 bytes.
    // Loading reads the same record and keeps the capacity of the buffer it holds.
    void Serialize(MVArchive& archive) override;

    // length := units before the first NUL of the buffer; returns it.
    virtual UINT SyncLength();
    virtual MVString& Append(int value);
    virtual MVString& Append(char value);
    virtual MVString& Append(unsigned short value);
    virtual MVString& Append(long value);
    virtual MVString& AppendDouble(double value);
    virtual MVString& AppendFloat(float value);
    virtual MVString& Append(unsigned int value);
    virtual MVString& AppendInt(int value);
    virtual MVString& AppendUShort(unsigned short value);
    virtual MVString& AppendChar(char value);
    virtual MVString& Append(wchar_t* text);
    // A null or empty text changes nothing and allocates nothing.
    virtual MVString& AppendText(const wchar_t* text);

    // Makes room for n units, NUL included. Growth goes to the smallest multiple of the granule
    // strictly above n; a request within the capacity does nothing.
    void Reserve(UINT n);
    // Replaces the contents by the first n units of text (n = 0: the whole text).
    void Assign(const wchar_t* text, UINT n = 0);
    // Appends a text (null counts as empty) or another builder; safe when either is this one.
    MVString& Append(const wchar_t* text);
    MVString& Append(const MVString& other);

    // printf-style output replacing the contents (see MVFormat.h).
    void Format(const wchar_t* format, ...);

    wchar_t* GetBuffer() const { return buffer; }
    UINT GetLength() const { return length; }
    UINT GetCapacity() const { return capacity; }

    // Settings a holder may change: growth step in units and base of the integer appenders
    // (2 to 36; any other value counts as 10).
    UINT granule = 64;
    BYTE radix = 10;

private:
    // Appends count units at the real end of the text; text must not point into the buffer.
    void AppendUnits(const wchar_t* text, size_t count);
    // True when p points into the buffer, where growing would free it under the caller.
    bool IsInsideBuffer(const wchar_t* p) const;
    UINT TextEnd() const;
    UINT ValidRadix() const;

    UINT length = 0;
    wchar_t* buffer = nullptr;
    UINT capacity = 0;
};
