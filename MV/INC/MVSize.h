#pragma once

// A width and a height in pixels (or, for a proportion, any two numbers in that ratio).
class MVSize
{
public:
    int cx;
    int cy;

    MVSize() : cx(0), cy(0) {}
    MVSize(int cx, int cy) : cx(cx), cy(cy) {}
    MVSize(const MVSize&) = default;
    MVSize& operator=(const MVSize&) = default;
    virtual ~MVSize() = default;

    bool operator==(const MVSize& other) const { return cx == other.cx && cy == other.cy; }
    bool operator!=(const MVSize& other) const { return !(*this == other); }
};
