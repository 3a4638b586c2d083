// The call list as the preferences hold it: an array of dictionaries under
// "data". The window and the command line read and write it the same way,
// straight between the file's bytes and the compact list.
#pragma once

#include <QVariant>
#include <optional>

#include "app/call_list.h"

// The list stored under `key`, decoded straight from the preferences file;
// elements that are not dictionaries are left out. Nothing when the key is
// absent or does not hold a list.
[[nodiscard]] std::optional<CallList> readStoredCallList(const QString& key);

// The records of a stored value; anything that is not a list of dictionaries
// is left out.
[[nodiscard]] CallList callListFromStored(const std::optional<QVariant>& stored);

// The list as it is stored: an array of the records' dictionaries, in a form
// the binary writer encodes without a QVariant per record.
[[nodiscard]] QVariant storedFromCallList(const CallList& records);
