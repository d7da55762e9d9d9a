#pragma once
#include <windows.h>

#include "MVEllipse.h"

// The circle around a rectangle: centred on it, with half its diagonal as radius, so the
// rectangle's corners lie on or just outside the circle.
class MVCircle : public MVEllipse
{
public:
    explicit MVCircle(const RECT& rect);
    ~MVCircle() override = default;

    static MVRect Around(const MVRect& rect);
};
