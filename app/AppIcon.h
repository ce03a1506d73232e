#pragma once

#include <QIcon>

// The program's icon: a survey boat over the water with its sounding beam
// and the sea floor.
QIcon AppIcon();
