// The call list as the preferences hold it: an array of dictionaries under
// "data". The window and the command line read and write it the same way.
#pragma once

#include <QVariant>
#include <optional>

#include "app/call_list_io.h"

// The stored list as an editable list of records; anything that is not a list
// of dictionaries is left out.
[[nodiscard]] CallList callListFromStored(const std::optional<QVariant>& stored);

// The list as it is stored: an array of the records' dictionaries.
[[nodiscard]] QVariantList storedFromCallList(const CallList& records);
