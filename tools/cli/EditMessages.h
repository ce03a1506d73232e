#pragma once

#include <string>

#include "edit/EditStatus.h"

// What marevox-cli says about an edit file's failure or notice.
std::string EditStatusText(const EditStatus& status);
