#pragma once

#include <QString>

namespace UserName {
// The user's full name from the account database (the first comma-separated field of its
// comment), trimmed; "Morwinek" when there is none.
QString defaultUserName();
} // namespace UserName
