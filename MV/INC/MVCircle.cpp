#include "MVCircle.h"

MVCircle::MVCircle(const RECT& rect) : MVEllipse(Around(MVRect(rect)))
{
}

MVRect MVCircle::Around(const MVRect& rect)
{
    const MVPoint centre = rect.CenterPoint();
    const int radius = rect.DiagonalLength() / 2;
    return MVRect(centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius);
}
