#pragma once
#include <windows.h>

#include "MVGradientRect.h"

// The ellipse inscribed in the rectangle, drawn with the shape's pen and brush (no gradient).
class MVEllipse : public MVGradientRect
{
public:
    using MVGradientRect::MVGradientRect;
    ~MVEllipse() override = default;

    void DrawShape(HDC dc) override;
};
