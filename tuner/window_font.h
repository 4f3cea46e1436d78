#pragma once
// The font of the program's windows: Verdana, 8.25 points unless asked larger, or the closest
// humanist sans where Verdana is not installed.

#include <QFont>

#include "tuner/frm_main_layout.h"

namespace tuner {

QFont windowFont(double points = layout::fontPoints);

}  // namespace tuner
