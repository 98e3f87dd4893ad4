#include "catalog/AppName.h"

#include "catalog/MessageCatalog.h"
#include "platform/Utf8.h"

#include <mutex>

namespace orvane {

namespace {
std::mutex g_nameMutex;
std::string g_name;
} // namespace

std::string CutAppName(std::string_view title) {
    return std::string(CutUtf8(title, kAppNameSize - 1));
}

void SetAppName(std::string name) {
    std::lock_guard lock(g_nameMutex);
    g_name = std::move(name);
}

std::string AppName() {
    {
        std::lock_guard lock(g_nameMutex);
        if (!g_name.empty())
            return g_name;
    }
    return CutAppName(CatalogText(kCatalogSetUi, kAppTitleNumber));
}

} // namespace orvane
