#pragma once
// The font of the program's windows: Verdana 8.25 points, or the closest humanist sans where
// Verdana is not installed.

#include <QFont>

namespace tuner {

QFont windowFont(double points = 8.25);

}  // namespace tuner
