#pragma once

#include <QString>

#include "edit/EditStatus.h"

// The user's message for an edit file's failure or notice, in the interface
// language; empty for Ok.
QString EditStatusMessage(const EditStatus& status);
