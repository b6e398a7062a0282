// A piecewise-linear diagram from raw to calibrated values, read from an XML node
// whose children are <point x="raw" y="calibrated"/>.
#pragma once

#include <libxml/tree.h>
#include <string>
#include <vector>

class Calibration
{
public:
    // Throws UniSetTypes::SystemError when the node has fewer than two points or a point lacks x or y.
    explicit Calibration(xmlNode* node);

    // Calibrated value of raw; outside the diagram the nearest end point's value.
    long getValue(long raw) const;
    // The inverse, for monotonic diagrams.
    long getRawValue(long cal) const;
    const std::string& getName() const { return name; }

    struct Point
    {
        double x;
        double y;
    };
    const std::vector<Point>& points() const { return pts; }

private:
    std::string name;
    std::vector<Point> pts;   // sorted by x
};
