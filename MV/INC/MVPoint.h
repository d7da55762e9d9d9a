#pragma once

// A point in pixels.
class MVPoint
{
public:
    int x;
    int y;

    MVPoint() : x(0), y(0) {}
    MVPoint(int x, int y) : x(x), y(y) {}
    MVPoint(const MVPoint&) = default;
    MVPoint& operator=(const MVPoint&) = default;
    virtual ~MVPoint() = default;

    bool operator==(const MVPoint& other) const { return x == other.x && y == other.y; }
    bool operator!=(const MVPoint& other) const { return !(*this == other); }
};
