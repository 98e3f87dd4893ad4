#pragma once

#include <QString>

namespace accounts {

// What the operator is told for a result of the user store (StoreResult); empty for kStoreOk.
QString StoreMessage(int result);

} // namespace accounts
