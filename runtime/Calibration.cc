#include "Calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Exceptions.h"
#include "UniXML.h"

Calibration::Calibration(xmlNode* node)
{
    name = UniXML::getProp(node, "name");
    UniXML_iterator it(node);
    if (node && it.goChildren())
    {
        for (; it.valid(); it.goNext())
        {
            const std::string x = it.getProp("x");
            const std::string y = it.getProp("y");
            if (x.empty() || y.empty())
                throw UniSetTypes::SystemError("(Calibration): diagram '" + name + "': a point lacks 'x' or 'y'");
            pts.push_back(Point{std::atof(x.c_str()), std::atof(y.c_str())});
        }
    }
    if (pts.size() < 2)
        throw UniSetTypes::SystemError("(Calibration): diagram '" + name + "' needs at least two points");
    std::sort(pts.begin(), pts.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
}

namespace
{
    long interpolate(double v, double x0, double y0, double x1, double y1)
    {
        if (x1 == x0)
            return std::lround(y0);
        return std::lround(y0 + (v - x0) * (y1 - y0) / (x1 - x0));
    }
}

long Calibration::getValue(long raw) const
{
    const double v = static_cast<double>(raw);
    if (v <= pts.front().x)
        return std::lround(pts.front().y);
    if (v >= pts.back().x)
        return std::lround(pts.back().y);
    for (size_t i = 1; i < pts.size(); ++i)
        if (v <= pts[i].x)
            return interpolate(v, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y);
    return std::lround(pts.back().y);
}

long Calibration::getRawValue(long cal) const
{
    const double v = static_cast<double>(cal);
    for (size_t i = 1; i < pts.size(); ++i)
    {
        const double lo = std::min(pts[i - 1].y, pts[i].y);
        const double hi = std::max(pts[i - 1].y, pts[i].y);
        if (v >= lo && v <= hi)
            return interpolate(v, pts[i - 1].y, pts[i - 1].x, pts[i].y, pts[i].x);
    }
    return std::lround(std::abs(v - pts.front().y) < std::abs(v - pts.back().y) ? pts.front().x : pts.back().x);
}
